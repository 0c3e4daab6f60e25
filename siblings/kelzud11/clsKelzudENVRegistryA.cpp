// The environment registry component: one registry value named by a root (ClassKey), a key
// path below it (SectionKey) and a value name (ValueKey), read and written through Value.
//
// Reading gives the value as stored (an expandable string keeps its references), "" when the
// key or value is absent. Writing creates the key when needed and keeps the type of an existing
// string value, so that an expandable value such as the machine's Path stays expandable; a new
// value is expandable when it holds a "%".
#include <string>

#include "base/longhandle.h"
#include "common/sibling.h"
#include "kelzud11.h"
#include "kelzud11/regvalue.h"
#include "base/text.h"

namespace kzs {

class EnvRegistry : public SiblingObject<EnvRegistry, _clsKelzudENVRegistryA> {
  KZ_CLASS(clsKelzudENVRegistryA)
 public:
  static const wchar_t* ProgId() { return L"Kelzud11.clsKelzudENVRegistryA"; }

  STDMETHODIMP get_ClassKey(long* ret) override {
    if (!ret) return E_POINTER;
    *ret = root_;
    return S_OK;
  }
  STDMETHODIMP put_ClassKey(long rhs) override {
    root_ = rhs;
    return S_OK;
  }
  STDMETHODIMP get_SectionKey(BSTR* ret) override { return Get(section_, ret); }
  STDMETHODIMP put_SectionKey(BSTR rhs) override { return Put(section_, rhs); }
  STDMETHODIMP get_ValueKey(BSTR* ret) override { return Get(value_name_, ret); }
  STDMETHODIMP put_ValueKey(BSTR rhs) override { return Put(value_name_, rhs); }

  STDMETHODIMP get_Value(BSTR* ret) override {
    if (!ret) return E_POINTER;
    *ret = nullptr;
    return Run([&] {
      std::wstring text;
      if (IsRegistryName(section_) && IsRegistryName(value_name_)) {
        RegKey key;
        if (RegOpenKeyExW(Root(), section_.c_str(), 0, KEY_QUERY_VALUE, key.out()) == ERROR_SUCCESS &&
            !ReadText(key.get(), value_name_, text))
          text.clear();
      }
      *ret = kz::ToBstr(text);
    });
  }

  STDMETHODIMP put_Value(BSTR rhs) override {
    return Run([&] {
      std::wstring text = kz::FromBstr(rhs);
      if (!IsRegistryName(section_) || !IsRegistryName(value_name_))
        InvalidArgument(L"A registry key path or value name must not hold a NUL character");
      if (text.find(L'\0') != std::wstring::npos)
        InvalidArgument(L"A registry string value must not hold a NUL character");
      RegKey key;
      LONG r = RegCreateKeyExW(Root(), section_.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                               key.out(), nullptr);
      if (r == ERROR_SUCCESS) {
        DWORD type = 0;
        std::wstring old;
        if (!ReadText(key.get(), value_name_, old, &type) || (type != REG_SZ && type != REG_EXPAND_SZ))
          type = text.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ;
        r = WriteText(key.get(), value_name_, text, type);
      }
      if (r == ERROR_ACCESS_DENIED) throw kz::Error(70, L"", kz::StdDescription(70));
      if (r != ERROR_SUCCESS)
        throw kz::Error(kz::kErrInvalidCall, L"",
                        L"The registry value could not be written (system error " + std::to_wstring(r) + L")");
    });
  }

 private:
  HKEY Root() const { return kz::HandleFromLong<HKEY>(root_); }

  HRESULT Get(const std::wstring& field, BSTR* ret) {
    if (!ret) return E_POINTER;
    *ret = nullptr;
    return Run([&] { *ret = kz::ToBstr(field); });
  }
  HRESULT Put(std::wstring& field, BSTR rhs) {
    return Run([&] { field = kz::FromBstr(rhs); });
  }

  long root_ = static_cast<long>(0x80000002);  // HKEY_LOCAL_MACHINE as a Long
  std::wstring section_, value_name_;
};

KZS_REGISTER_CLASS(EnvRegistry);

}  // namespace kzs
