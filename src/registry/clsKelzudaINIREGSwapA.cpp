#include "registry/clsKelzudaINIREGSwapA.h"

#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "registry/clsKelzudRegHand2A.h"

namespace kz {
namespace {

std::wstring TextOf(BSTR* b) { return b ? FromBstr(*b) : std::wstring(); }

IDispatch* AsDispatch(IniFileHandler* h) {
  return static_cast<IDispatch*>(static_cast<_clsKelzudINIFileHandler1A*>(h));
}

// The strings of a 1-based String array filled by an enumeration, from index 1 to the upper
// bound (none for an array without elements).
std::vector<std::wstring> FromIndexOne(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (!(v.vt & VT_ARRAY)) return out;
  SAFEARRAY* sa = (v.vt & VT_BYREF) ? *v.pparray : v.parray;
  if (!sa || SafeArrayGetDim(sa) != 1) return out;
  LONG ub = 0;
  SafeArrayGetUBound(sa, 1, &ub);
  VARTYPE vt = VT_EMPTY;
  SafeArrayGetVartype(sa, &vt);
  for (LONG i = 1; i <= ub; ++i) {
    if (vt == VT_BSTR) {
      BSTR b = nullptr;
      HRESULT hr = SafeArrayGetElement(sa, &i, &b);
      if (FAILED(hr)) Raise(kErrSubscript);
      out.push_back(FromBstr(b));
      SysFreeString(b);
    } else {
      Var item;
      if (FAILED(SafeArrayGetElement(sa, &i, item.get()))) Raise(kErrSubscript);
      out.push_back(VarToStr(item.get()));
    }
  }
  return out;
}

// Calls one of the handler's enumerations by name with a String array and a count, by
// reference, and gives the names from index 1.
std::vector<std::wstring> EnumerateByName(IDispatch* h, const wchar_t* member) {
  Var names, count;
  SAFEARRAY* empty = nullptr;
  names.get()->vt = VT_ARRAY | VT_BSTR;
  names.get()->parray = empty;
  count.get()->vt = VT_I2;
  count.get()->iVal = 0;
  CallByName(h, member, DISPATCH_METHOD, std::vector<VARIANT*>{names.get(), count.get()});
  return FromIndexOne(*names.get());
}

}  // namespace

IniRegSwap::IniRegSwap() {
  own_ = Ptr<IniFileHandler>::Adopt(MakeObject<IniFileHandler>());
  handler_ = Ptr<IDispatch>(AsDispatch(own_.get()), true);
}

IniFileHandler* IniRegSwap::OwnHandler() const {
  // The handler this object made is driven directly; any other is called by member name.
  return own_ && handler_.get() == AsDispatch(own_.get()) ? own_.get() : nullptr;
}

void IniRegSwap::SetRegistryValue(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                                  long root) {
  Ptr<RegAccessor> reg = Ptr<RegAccessor>::Adopt(MakeObject<RegAccessor>());
  reg->set_class_key(root);
  reg->set_section_key(key);
  reg->set_value_key(name);
  reg->set_value_type(REG_SZ);
  Var v = Var::Str(value);
  reg->Write(*v.get());
}

void IniRegSwap::SetIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                             const std::wstring& value) {
  if (IniFileHandler* h = OwnHandler()) {
    h->set_path(file);
    h->set_section(section);
    h->set_key(key);
    std::wstring text = value;
    h->WriteValue(text);
    return;
  }
  IDispatch* h = handler_.get();
  if (!h) Raise(kErrObjectNotSet);
  PutProp(h, L"Path", Var::Str(file));
  PutProp(h, L"Section", Var::Str(section));
  PutProp(h, L"Key", Var::Str(key));
  PutProp(h, L"Value", Var::Str(value));
}

void IniRegSwap::IniToRegistry(const std::wstring& ini_file, const std::wstring& registry_key, long root) {
  if (IniFileHandler* h = OwnHandler()) {
    h->set_path(ini_file);
    for (const std::wstring& section : h->EnumerateSections()) {
      h->set_section(section);
      for (const std::wstring& key : h->EnumerateSection()) {
        h->set_key(key);
        SetRegistryValue(registry_key + L"\\" + section, key, h->ReadValue(), root);
      }
    }
    return;
  }
  IDispatch* h = handler_.get();
  if (!h) Raise(kErrObjectNotSet);
  PutProp(h, L"Path", Var::Str(ini_file));
  for (const std::wstring& section : EnumerateByName(h, L"EnumerateAllSections")) {
    PutProp(h, L"Section", Var::Str(section));
    for (const std::wstring& key : EnumerateByName(h, L"EnumerateCurrentSection")) {
      PutProp(h, L"Key", Var::Str(key));
      std::wstring text = VarToStr(GetProp(h, L"Value").get());
      SetRegistryValue(registry_key + L"\\" + section, key, text, root);
    }
  }
}

void IniRegSwap::RegistryToIni(const std::wstring& ini_file, const std::wstring& registry_key, long root,
                               const std::wstring& section_as) {
  Ptr<RegAccessor> reg = Ptr<RegAccessor>::Adopt(MakeObject<RegAccessor>());
  reg->set_class_key(root);
  reg->set_section_key(registry_key);
  // The library's own handler takes the values in one write of the file, with the file those
  // writes one by one would leave; a failure stops the transfer with the values before it
  // written. Any other handler is called value by value.
  IniFileHandler* own = OwnHandler();
  std::vector<ProfileEntry> pending;
  auto flush = [&] {
    if (own && !pending.empty()) own->WriteValues(ini_file, pending);
    pending.clear();
  };
  auto copy_values = [&](const std::wstring& section) {
    for (const std::wstring& name : reg->ValueNames()) {
      reg->set_value_key(name);
      Var v = reg->Read();
      if (!own) {
        SetIniValue(ini_file, section, name, VarToStr(v.get()));
        continue;
      }
      std::wstring text = VarToStr(v.get());
      try {
        IniFileHandler::TakeOutNuls(text);
      } catch (...) {
        flush();
        own->set_path(ini_file);
        own->set_section(section);
        own->set_key(name);
        throw;
      }
      pending.push_back(ProfileEntry{section, name, std::move(text)});
    }
  };
  struct FlushOnExit {  // also when a read fails: what was read before it is written
    decltype(flush)& f;
    ~FlushOnExit() { f(); }
  } flush_on_exit{flush};
  std::vector<std::wstring> subkeys = reg->SubkeyNames();
  if (!subkeys.empty()) {
    // Only the direct subkeys' values: the key's own values and deeper keys stay behind.
    for (const std::wstring& sub : subkeys) {
      reg->set_section_key(registry_key + L"\\" + sub);
      copy_values(sub);
    }
  } else {
    copy_values(section_as.empty() ? registry_key : section_as);
  }
}

// ---- automation interface --------------------------------------------------------------------

STDMETHODIMP IniRegSwap::get_goclsKelzudINIFileHandler1A(IDispatch** ret) {
  if (!ret) return E_POINTER;
  *ret = handler_.get();
  if (*ret) (*ret)->AddRef();
  return S_OK;
}

STDMETHODIMP IniRegSwap::putref_goclsKelzudINIFileHandler1A(IDispatch* rhs) {
  handler_ = Ptr<IDispatch>(rhs, true);
  return S_OK;
}

STDMETHODIMP IniRegSwap::SetRegistryKeyValue(BSTR* sRegistryKey, BSTR* sValueKey, BSTR* sValue, long* lRegistryRoot,
                                             VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    SetRegistryValue(TextOf(sRegistryKey), TextOf(sValueKey), TextOf(sValue), lRegistryRoot ? *lRegistryRoot : 0);
  });
}

STDMETHODIMP IniRegSwap::SetINIKeyValue(BSTR* sINIFile, BSTR* sSection, BSTR* sKey, BSTR* sValue, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { SetIniValue(TextOf(sINIFile), TextOf(sSection), TextOf(sKey), TextOf(sValue)); });
}

STDMETHODIMP IniRegSwap::INIFileToRegistry(BSTR* sSourceINIFilePath, BSTR* sDestinationRegistryKey,
                                           long* lRegistryRoot, long* ret) {
  if (ret) *ret = 0;
  return Guard([&] {
    IniToRegistry(TextOf(sSourceINIFilePath), TextOf(sDestinationRegistryKey), lRegistryRoot ? *lRegistryRoot : 0);
  });
}

STDMETHODIMP IniRegSwap::RegistryToINIFile(BSTR* sDestinationINIFilePath, BSTR* sSourceRegistryKey,
                                           long* lRegistryRoot, BSTR* sRegKeyAs, long* ret) {
  if (ret) *ret = 0;
  return Guard([&] {
    RegistryToIni(TextOf(sDestinationINIFilePath), TextOf(sSourceRegistryKey), lRegistryRoot ? *lRegistryRoot : 0,
                  TextOf(sRegKeyAs));
  });
}

KZ_REGISTER_CLASS(IniRegSwap);

}  // namespace kz
