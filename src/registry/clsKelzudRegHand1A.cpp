#include "registry/clsKelzudRegHand1A.h"

#include "frame/catalogue.h"
#include "base/pump.h"
#include "frame/kz.h"
#include "base/error.h"
#include "base/longhandle.h"
#include "com/latebound.h"
#include "base/text.h"
#include "platform/registry.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1KeyA.h"
#include "registry/clsKelzudRegHand1KeysA.h"
#include "registry/clsKelzudRegHand1ValueA.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

namespace kz {
namespace {

constexpr long kNoHandle = -1;
constexpr long kErrCannotSuppress = 10029;
constexpr DISPID kKeyEnumerated = 1;
constexpr DISPID kValueEnumerated = 2;

// Whether a subkey has subkeys of its own; one it may not open with full access has none.
bool HasChildren(HKEY key, const std::wstring& name) {
  RegKey sub;
  if (registry::OpenKey(key, name, reg::kAccess, &sub) != ERROR_SUCCESS) return false;
  std::wstring child;
  return registry::EnumKeyName(sub.get(), 0, &child) == ERROR_SUCCESS;
}

// Closes a key handle this object owns (through its owner, as every handle is closed).
void CloseOwned(long handle) { RegKey owner(HandleFromLong<HKEY>(handle)); }

bool IsObject(const VARIANT& v) { return v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN; }

// A subkey text that names no subkey at all: the platform would take it as the key itself.
bool NamesNoSubKey(const std::wstring& sub_key) {
  return sub_key.find_first_not_of(L" \t\\") == std::wstring::npos;
}

}  // namespace

RegistryObject::RegistryObject()
    : events_(static_cast<_clsKelzudRegHand1A*>(this), DIID___clsKelzudRegHand1A),
      table_(Ptr<Collection>::Adopt(MakeObject<Collection>())) {}

RegistryObject::~RegistryObject() {
  // Recorded handles close in table order; then any opened without a table entry.
  for (long i = 1; i <= table_->size(); ++i) {
    const VARIANT& item = table_->At(i);
    if (item.vt != VT_I4) continue;
    long h = item.lVal;
    if (owned_.erase(h)) CloseOwned(h);
  }
  for (long h : owned_) CloseOwned(h);
  owned_.clear();
}

HKEY RegistryObject::KeyOf(long key) const {
  // A number this object closed may name someone else's key by now: it names nothing here.
  if (closed_.count(key)) return nullptr;
  return HandleFromLong<HKEY>(key);
}

// ---- open-key table --------------------------------------------------------------------------

long RegistryObject::Open(long key, const std::wstring& sub_key, bool must_exist, const std::wstring& index_key) {
  HKEY parent = KeyOf(key);
  if (must_exist) {
    RegKey probe;
    if (registry::OpenKey(parent, sub_key, reg::kAccess, &probe) != ERROR_SUCCESS) return kNoHandle;
  }
  RegKey opened;
  if (registry::CreateKey(parent, sub_key, reg::kAccess, &opened) != ERROR_SUCCESS) return kNoHandle;
  long handle = 0;
  if (!LongFromHandle(opened.get(), &handle)) return kNoHandle;  // not a kernel handle: no Long names it
  opened.release();
  owned_.insert(handle);
  closed_.erase(handle);  // the number is this object's own again
  Record(handle, index_key.empty() ? reg::AutoTableKey(handle) : index_key);
  return handle;
}

void RegistryObject::Record(long handle, const std::wstring& table_key) {
  // A table key already in use leaves the handle unrecorded; it is still the caller's.
  if (table_->Find(table_key)) return;
  VARIANT item;
  item.vt = VT_I4;
  item.lVal = handle;
  try {
    table_->Append(item, &table_key);
  } catch (const Error&) {
  }
}

void RegistryObject::CloseOwnedKey(long handle) {
  // Only handles this object opened are closed: any other number could name a handle that
  // belongs to someone else in the process.
  if (!owned_.erase(handle)) return;
  CloseOwned(handle);
  closed_.insert(handle);
}

void RegistryObject::CloseHandle(long handle) {
  long pos = table_->Find(reg::AutoTableKey(handle));
  if (pos) table_->RemoveAt(pos);
  CloseOwnedKey(handle);
}

void RegistryObject::Close(const VARIANT& key) {
  Var k;
  try {
    k = Deref(&key);
  } catch (const Error&) {
    return;
  }
  if (k.vt() == VT_I4) {
    CloseHandle(k.get()->lVal);
  } else if (k.vt() == VT_BSTR) {
    long pos = table_->Find(FromBstr(k.get()->bstrVal));
    if (!pos) return;
    const VARIANT& item = table_->At(pos);
    long h = item.vt == VT_I4 ? item.lVal : 0;
    table_->RemoveAt(pos);
    CloseOwnedKey(h);
  }
}

long RegistryObject::HandleAt(const VARIANT& index) const {
  try {
    const VARIANT& item = table_->At(table_->PositionOf(index));
    return item.vt == VT_I4 ? item.lVal : kNoHandle;
  } catch (const Error&) {
    return kNoHandle;
  }
}

// ---- values ----------------------------------------------------------------------------------

Var RegistryObject::Read(long key, const std::wstring& name, const VARIANT* default_value, long* type) {
  registry::ValueData data;
  registry::QueryValue(KeyOf(key), name, &data);
  if (data.bytes.empty()) {
    // No data at all counts as a missing value: the default, when given, is stored.
    if (!default_value) return Var();
    Var d = Deref(default_value);
    Write(key, name, d.get());
    return d;
  }
  if (type) *type = static_cast<long>(data.type);
  return reg::DataToVariant(data);
}

long RegistryObject::Write(long key, const std::wstring& name, const VARIANT* data) {
  Var v;
  if (data) {
    try {
      v = Deref(data);
    } catch (const Error&) {
      return 0;
    }
    if (IsObject(*v.get())) return 0;
  }
  if (!data || IsMissing(v.get())) {
    RemoveValue(key, name);
    return 0;
  }
  HKEY k = KeyOf(key);
  const VARIANT& d = *v.get();
  if (d.vt & VT_ARRAY) {
    std::vector<std::wstring> items;
    try {
      if (!reg::MultiStringItems(d, items)) return 0;  // other arrays (Byte arrays too) write nothing
      return registry::SetText(k, name, REG_MULTI_SZ, reg::JoinWithNuls(items));
    } catch (const Error&) {
      return 0;
    }
  }
  switch (d.vt) {
    case VT_BSTR:
      return registry::SetText(k, name, REG_SZ, FromBstr(d.bstrVal) + L'\0');
    case VT_UI1:
    case VT_I2:
    case VT_I4: {
      long value = d.vt == VT_UI1 ? d.bVal : d.vt == VT_I2 ? d.iVal : d.lVal;
      if ((value & 255) == value) {
        BYTE b = static_cast<BYTE>(value);
        return registry::SetBytes(k, name, REG_BINARY, &b, 1);
      }
      BYTE bytes[4];
      for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(static_cast<DWORD>(value) >> (8 * i));
      return registry::SetBytes(k, name, REG_DWORD, bytes, 4);
    }
    case VT_BOOL: {
      BYTE b = d.boolVal ? 1 : 0;
      return registry::SetBytes(k, name, REG_BINARY, &b, 1);
    }
    default:
      break;
  }
  // Subtypes with bit 2 or bit 5 of their code set (Single, Double, Currency, Date, Decimal)
  // are written as their general text.
  if (d.vt & (4 | 32)) {
    Var text;
    if (FAILED(VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(&d), LOCALE_USER_DEFAULT, 0, VT_BSTR))) return 0;
    return registry::SetText(k, name, REG_SZ, FromBstr(text.get()->bstrVal) + L'\0');
  }
  return 0;  // Empty, Null, Error and the like write nothing
}

void RegistryObject::RemoveValue(long key, const std::wstring& name) {
  registry::DeleteValue(KeyOf(key), name);
}

void RegistryObject::RemoveKey(long key, const std::wstring& sub_key) {
  // An empty or blank name (an unset script variable) would delete the key itself.
  if (NamesNoSubKey(sub_key)) return;
  registry::DeleteKey(KeyOf(key), sub_key);
}

// ---- enumeration -----------------------------------------------------------------------------

void RegistryObject::CheckCanAnnounce(bool raise_events, bool return_nothing) {
  if (!raise_events && return_nothing)
    throw Error(kErrCannotSuppress, L"RegLib.RegistryObject", L"Cannot suppress events and return nothing.");
}

void RegistryObject::AnnounceKey(const std::wstring& name, bool has_children) {
  if (buddy_) {
    Var n = Var::Str(name), c = Var::Bool(has_children);
    CallByName(buddy_.get(), L"czKELZUDRegHand1_KeyEnumerated", DISPATCH_METHOD,
               std::vector<VARIANT*>{n.get(), c.get()});
    return;
  }
  Var n = Var::Str(name), c = Var::Bool(has_children);
  events_.FireChecked(kKeyEnumerated, {*n.get(), *c.get()});
}

void RegistryObject::AnnounceValue(IDispatch* value) {
  Var v = Var::Object(value);
  if (buddy_) {
    CallByName(buddy_.get(), L"czKELZUDRegHand1_ValueEnumerated", DISPATCH_METHOD, std::vector<VARIANT*>{v.get()});
    return;
  }
  events_.FireChecked(kValueEnumerated, {*v.get()});
}

Ptr<RegistryKey> RegistryObject::KeyObject(long key, bool enum_values) {
  Ptr<RegistryKey> k = Ptr<RegistryKey>::Adopt(MakeObject<RegistryKey>());
  k->set_registry(Ptr<RegistryObject>::Share(this));
  k->set_handle(key);
  if (enum_values) k->set_values(ListValues(key, false, false, false));
  return k;
}

Ptr<RegistryKeys> RegistryObject::ListKeys(long key, bool raise_events, bool do_events, bool return_nothing) {
  CheckCanAnnounce(raise_events, return_nothing);
  Ptr<RegistryObject> self = Ptr<RegistryObject>::Share(this);  // a handler may drop the caller's reference
  Ptr<RegistryKeys> keys;
  if (!return_nothing) {
    keys = Ptr<RegistryKeys>::Adopt(MakeObject<RegistryKeys>());
    keys->set_registry(self);
    keys->set_handle(key);
  }
  HKEY parent = KeyOf(key);
  DWORD index = 0;
  std::wstring name;
  LONG rc = registry::EnumKeyName(parent, index, &name);
  while (rc == ERROR_SUCCESS) {
    Ptr<RegistryKey> k;
    if (keys) {
      k = keys->AddKey(name, 0, std::wstring());
      k->set_registry(self);
    }
    bool children = HasChildren(parent, name);
    if (k && children) k->set_had_children(true);
    k.reset();
    if (raise_events) AnnounceKey(name, children);
    if (do_events) PumpMessages();
    rc = registry::EnumKeyName(parent, ++index, &name);
    if (abort_) {
      abort_ = false;
      break;
    }
  }
  return keys;
}

Ptr<RegistryValues> RegistryObject::ListValues(long key, bool raise_events, bool do_events, bool return_nothing) {
  CheckCanAnnounce(raise_events, return_nothing);
  Ptr<RegistryObject> self = Ptr<RegistryObject>::Share(this);
  Ptr<RegistryValues> values;
  {
    // The key's default value comes first, whether it has data or not.
    Ptr<RegistryValue> entry;
    if (!return_nothing) {
      values = Ptr<RegistryValues>::Adopt(MakeObject<RegistryValues>());
      values->set_parent_key(key);
      entry = values->AddValue(std::wstring(), REG_NONE, L"(default)");
    } else {
      entry = Ptr<RegistryValue>::Adopt(MakeObject<RegistryValue>());
      entry->set_parent_key(key);
    }
    long type = REG_NONE;
    Var data = Read(key, std::wstring(), nullptr, &type);
    if (type == REG_NONE) type = REG_SZ;
    entry->PlaceDefault(self, key, type, std::move(data));
    if (raise_events) AnnounceValue(entry->itf());
  }
  HKEY parent = KeyOf(key);
  DWORD index = 0, type = 0;
  std::wstring name;
  LONG rc = registry::EnumValueName(parent, index, &name, &type);
  while (rc == ERROR_SUCCESS) {
    Ptr<RegistryValue> v;
    if (values) {
      v = values->AddValue(name, static_cast<long>(type), name);
    } else {
      v = Ptr<RegistryValue>::Adopt(MakeObject<RegistryValue>());
      v->set_value_name(name);
    }
    v->Place(self, key, static_cast<long>(type), name.empty());
    if (raise_events) AnnounceValue(v->itf());
    if (do_events) PumpMessages();
    v.reset();
    rc = registry::EnumValueName(parent, ++index, &name, &type);
    if (abort_) {
      abort_ = false;
      break;
    }
  }
  return values;
}

// ---- automation interface --------------------------------------------------------------------

STDMETHODIMP RegistryObject::get_BuddyObject(IDispatch** ret) {
  *ret = buddy_.get();
  if (*ret) (*ret)->AddRef();
  return S_OK;
}

STDMETHODIMP RegistryObject::putref_BuddyObject(IDispatch* rhs) {
  buddy_ = Ptr<IDispatch>::Share(rhs);
  return S_OK;
}

STDMETHODIMP RegistryObject::AbortEnum() {
  abort_ = true;
  return S_OK;
}

STDMETHODIMP RegistryObject::get_Count(long* ret) {
  *ret = table_->size();
  return S_OK;
}

STDMETHODIMP RegistryObject::get_Item(VARIANT vntIndexKey, long* ret) {
  return Guard([&] { *ret = HandleAt(vntIndexKey); });
}

STDMETHODIMP RegistryObject::put_Item(VARIANT, long) {
  // The table's entries are plain handles that the object itself closes: they are not
  // replaced from outside.
  return S_OK;
}

STDMETHODIMP RegistryObject::OpenKey(StandardRegistryKeys uKey, BSTR szSubKey, VARIANT_BOOL fMustExist,
                                     BSTR vntIndexKey, long* ret) {
  return Guard([&] {
    *ret = Open(static_cast<long>(uKey), FromBstr(szSubKey), fMustExist != VARIANT_FALSE, FromBstr(vntIndexKey));
  });
}

STDMETHODIMP RegistryObject::CloseKey(VARIANT uKey) {
  return Guard([&] { Close(uKey); });
}

STDMETHODIMP RegistryObject::GetValue(long uKey, BSTR szValue, VARIANT* DefaultValue, RegistryDataTypes* lpType,
                                      VARIANT* ret) {
  return Guard([&] {
    const VARIANT* def = (DefaultValue && !IsMissing(DefaultValue)) ? DefaultValue : nullptr;
    long type = lpType ? static_cast<long>(*lpType) : 0;
    Var r = Read(uKey, FromBstr(szValue), def, &type);
    if (lpType) *lpType = static_cast<RegistryDataTypes>(type);
    r.Detach(ret);
  });
}

STDMETHODIMP RegistryObject::GetMultiSZ(BSTR vData, SAFEARRAY** ret) {
  return Guard([&] { *ret = MakeBstrArray(reg::SplitAtNuls(FromBstr(vData)), 0); });
}

STDMETHODIMP RegistryObject::ToMultiSZ(SAFEARRAY** vData, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(reg::JoinWithNuls(reg::StringsOf(vData ? *vData : nullptr))); });
}

STDMETHODIMP RegistryObject::SetValue(long uKey, BSTR szValue, VARIANT* vData, long* ret) {
  return Guard([&] { *ret = Write(uKey, FromBstr(szValue), vData); });
}

STDMETHODIMP RegistryObject::GetKeyObject(long uKey, VARIANT_BOOL fEnumValues, _clsKelzudRegHand1KeyA** ret) {
  return Guard([&] { *ret = KeyObject(uKey, fEnumValues != VARIANT_FALSE).detach(); });
}

STDMETHODIMP RegistryObject::enumKeys(StandardRegistryKeys uKey, VARIANT_BOOL fRaiseEvents, VARIANT_BOOL fDoEvents,
                                      VARIANT_BOOL fReturnNothing, _clsKelzudRegHand1KeysA** ret) {
  return Guard([&] {
    *ret = ListKeys(static_cast<long>(uKey), fRaiseEvents != VARIANT_FALSE, fDoEvents != VARIANT_FALSE,
                    fReturnNothing != VARIANT_FALSE).detach();
  });
}

STDMETHODIMP RegistryObject::EnumValues(StandardRegistryKeys uKey, VARIANT_BOOL fRaiseEvents, VARIANT_BOOL fDoEvents,
                                        VARIANT_BOOL fReturnNothing, _clsKelzudRegHand1ValuesA** ret) {
  return Guard([&] {
    *ret = ListValues(static_cast<long>(uKey), fRaiseEvents != VARIANT_FALSE, fDoEvents != VARIANT_FALSE,
                      fReturnNothing != VARIANT_FALSE).detach();
  });
}

STDMETHODIMP RegistryObject::DeleteValue(long uKey, BSTR szValue, VARIANT* ret) {
  return Guard([&] {
    VariantInit(ret);
    RemoveValue(uKey, FromBstr(szValue));
  });
}

STDMETHODIMP RegistryObject::DeleteKey(long uKey, BSTR szSubKey, VARIANT* ret) {
  return Guard([&] {
    VariantInit(ret);
    RemoveKey(uKey, FromBstr(szSubKey));
  });
}

KZ_REGISTER_CLASS(RegistryObject);

}  // namespace kz
