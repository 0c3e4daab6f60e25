#include "registry/clsKelzudRegHand1A.h"

#include <cstring>

#include "frame/catalogue.h"
#include "base/pump.h"
#include "frame/kz.h"
#include "base/error.h"
#include "com/latebound.h"
#include "base/text.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1KeyA.h"
#include "registry/clsKelzudRegHand1KeysA.h"
#include "registry/clsKelzudRegHand1ValueA.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

namespace kz {
namespace {

constexpr long kNoHandle = -1;
constexpr long kErrCannotSuppress = 10029;
constexpr DWORD kNameBuffer = 1024;        // names are read with this size argument
constexpr DWORD kLongestName = 65536;      // a value name of 16,383 characters in any code page
constexpr DWORD kFirstRead = 512;          // most values fit; larger ones are read again
constexpr DISPID kKeyEnumerated = 1;
constexpr DISPID kValueEnumerated = 2;

using reg::ToHkey;

// Reads a value in one call when it fits the first buffer, else again with the size the
// platform asks for. Empty data when the value is missing, unreadable or without data.
std::vector<BYTE> QueryValue(long key, const std::string& name, DWORD* type) {
  std::vector<BYTE> buf(kFirstRead + 2);
  for (int attempt = 0; attempt < 16; ++attempt) {
    DWORD n = static_cast<DWORD>(buf.size() - 2);
    DWORD t = 0;
    LONG rc = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &t, buf.data(), &n);
    if (rc == ERROR_MORE_DATA) {  // grown meanwhile or larger than the first buffer
      buf.assign(static_cast<size_t>(n) + 2, 0);
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    *type = t;
    buf.resize(n);
    return buf;
  }
  return {};
}

// The name at `index` of a key's subkeys or values, read into `buf`; the platform's result.
LONG EnumName(bool values, long key, DWORD index, std::vector<char>& buf, DWORD* type) {
  for (;;) {
    DWORD size = static_cast<DWORD>(buf.size() - 1);
    buf[0] = '\0';
    LONG rc = values ? RegEnumValueA(ToHkey(key), index, buf.data(), &size, nullptr, type, nullptr, nullptr)
                     : RegEnumKeyExA(ToHkey(key), index, buf.data(), &size, nullptr, nullptr, nullptr, nullptr);
    // A name longer than the usual buffer is read again rather than ending the list there.
    if (rc == ERROR_MORE_DATA && buf.size() < kLongestName + 1) {
      buf.assign(kLongestName + 1, '\0');
      continue;
    }
    return rc;
  }
}

std::string NameOf(const std::vector<char>& buf) { return std::string(buf.data(), strnlen(buf.data(), buf.size())); }

// Whether a subkey has subkeys of its own; one it may not open with full access has none.
bool HasChildren(long key, const std::string& name) {
  reg::KeyHandle sub;
  if (RegOpenKeyExA(ToHkey(key), name.c_str(), 0, reg::kAccess, sub.out()) != ERROR_SUCCESS) return false;
  char child[kNameBuffer + 1];
  DWORD size = kNameBuffer;
  LONG rc = RegEnumKeyExA(sub.get(), 0, child, &size, nullptr, nullptr, nullptr, nullptr);
  return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
}

bool IsObject(const VARIANT& v) { return v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN; }

long SetText(long key, const std::string& name, DWORD type, const std::string& bytes) {
  return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
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
    if (owned_.erase(h)) RegCloseKey(ToHkey(h));
  }
  for (long h : owned_) RegCloseKey(ToHkey(h));
  owned_.clear();
}

// ---- open-key table --------------------------------------------------------------------------

long RegistryObject::Open(long key, const std::wstring& sub_key, bool must_exist, const std::wstring& index_key) {
  std::string sub = ToAnsi(sub_key);
  if (must_exist) {
    reg::KeyHandle probe;
    if (RegOpenKeyExA(ToHkey(key), sub.c_str(), 0, reg::kAccess, probe.out()) != ERROR_SUCCESS) return kNoHandle;
  }
  HKEY h = nullptr;
  if (RegCreateKeyExA(ToHkey(key), sub.c_str(), 0, nullptr, 0, reg::kAccess, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return kNoHandle;
  long handle = 0;
  if (!LongFromHandle(h, &handle)) {  // not a kernel handle: it could not be named by a Long
    RegCloseKey(h);
    return kNoHandle;
  }
  owned_.insert(handle);
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

void RegistryObject::CloseHandle(long handle) {
  long pos = table_->Find(reg::AutoTableKey(handle));
  if (pos) table_->RemoveAt(pos);
  // Only handles this object opened are closed: any other number could name a handle that
  // belongs to someone else in the process.
  if (owned_.erase(handle)) RegCloseKey(ToHkey(handle));
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
    if (owned_.erase(h)) RegCloseKey(ToHkey(h));
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
  DWORD t = 0;
  std::vector<BYTE> data = QueryValue(key, ToAnsi(name), &t);
  if (data.empty()) {
    // No data at all counts as a missing value: the default, when given, is stored.
    if (!default_value) return Var();
    Var d = Deref(default_value);
    Write(key, name, d.get());
    return d;
  }
  if (type) *type = static_cast<long>(t);
  return reg::DataToVariant(t, data);
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
  const std::string n = ToAnsi(name);
  const VARIANT& d = *v.get();
  if (d.vt & VT_ARRAY) {
    std::vector<std::wstring> items;
    try {
      if (!reg::MultiStringItems(d, items)) return 0;  // other arrays (Byte arrays too) write nothing
      return SetText(key, n, REG_MULTI_SZ, ToAnsi(reg::JoinWithNuls(items)));
    } catch (const Error&) {
      return 0;
    }
  }
  switch (d.vt) {
    case VT_BSTR: {
      std::string text = ToAnsi(FromBstr(d.bstrVal));
      text.push_back('\0');
      return SetText(key, n, REG_SZ, text);
    }
    case VT_UI1:
    case VT_I2:
    case VT_I4: {
      long value = d.vt == VT_UI1 ? d.bVal : d.vt == VT_I2 ? d.iVal : d.lVal;
      if ((value & 255) == value) {
        BYTE b = static_cast<BYTE>(value);
        return RegSetValueExA(ToHkey(key), n.c_str(), 0, REG_BINARY, &b, 1);
      }
      BYTE bytes[4];
      for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(static_cast<DWORD>(value) >> (8 * i));
      return RegSetValueExA(ToHkey(key), n.c_str(), 0, REG_DWORD, bytes, 4);
    }
    case VT_BOOL: {
      BYTE b = d.boolVal ? 1 : 0;
      return RegSetValueExA(ToHkey(key), n.c_str(), 0, REG_BINARY, &b, 1);
    }
    default:
      break;
  }
  // Subtypes with bit 2 or bit 5 of their code set (Single, Double, Currency, Date, Decimal)
  // are written as their general text.
  if (d.vt & (4 | 32)) {
    Var text;
    if (FAILED(VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(&d), LOCALE_USER_DEFAULT, 0, VT_BSTR))) return 0;
    std::string bytes = ToAnsi(FromBstr(text.get()->bstrVal));
    bytes.push_back('\0');
    return SetText(key, n, REG_SZ, bytes);
  }
  return 0;  // Empty, Null, Error and the like write nothing
}

void RegistryObject::RemoveValue(long key, const std::wstring& name) {
  RegDeleteValueA(ToHkey(key), ToAnsi(name).c_str());
}

void RegistryObject::RemoveKey(long key, const std::wstring& sub_key) {
  RegDeleteKeyA(ToHkey(key), ToAnsi(sub_key).c_str());
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
  std::vector<char> buf(kNameBuffer + 1);
  DWORD index = 0;
  LONG rc = EnumName(false, key, index, buf, nullptr);
  while (rc == ERROR_SUCCESS) {
    std::string ansi = NameOf(buf);
    std::wstring name = FromAnsi(ansi);
    Ptr<RegistryKey> k;
    if (keys) {
      k = keys->AddKey(name, 0, std::wstring());
      k->set_registry(self);
    }
    bool children = HasChildren(key, ansi);
    if (k && children) k->set_had_children(true);
    k.reset();
    if (raise_events) AnnounceKey(name, children);
    if (do_events) PumpMessages();
    rc = EnumName(false, key, ++index, buf, nullptr);
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
  std::vector<char> buf(kNameBuffer + 1);
  DWORD index = 0, type = 0;
  LONG rc = EnumName(true, key, index, buf, &type);
  while (rc == ERROR_SUCCESS) {
    std::wstring name = FromAnsi(NameOf(buf));
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
    rc = EnumName(true, key, ++index, buf, &type);
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

KZ_REGISTER_CLASS(clsKelzudRegHand1A, RegistryObject);

}  // namespace kz
