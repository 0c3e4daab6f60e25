// Flat registry functions of the global run-time class: one call per registry operation on a
// root and a key path, the machine's list of programs run at logon, and file extensions with
// their icon and open command. They report almost nothing, by design: most return Empty.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/variant.h"

namespace kz {

class Kelzud10RunTimeB : public ComObject<Kelzud10RunTimeB, _clsKelzud10RunTimeB> {
  KZ_CLASS(clsKelzud10RunTimeB)
 public:
  STDMETHODIMP DeleteKey(long* lPredefinedKey, BSTR* sKeyName, VARIANT* ret) override;
  STDMETHODIMP DeleteValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* ret) override;
  STDMETHODIMP SetValueEx(long hKey, BSTR* sValueName, long* lType, VARIANT* vValue, long* ret) override;
  STDMETHODIMP CreateNewKey(long* lPredefinedKey, BSTR* sNewKeyName, VARIANT* ret) override;
  STDMETHODIMP SetKeyValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* vValueSetting,
                           long* lValueType, VARIANT* ret) override;
  STDMETHODIMP QueryValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* ret) override;
  STDMETHODIMP ShowAtStartup(BSTR* sKey, BSTR* sValue) override;
  STDMETHODIMP DontShowAtStartup(BSTR* Yourexe) override;
  STDMETHODIMP FileAssociationInRegistry(BSTR* sFileExtension, BSTR* sFileAssociation, BSTR* sFileIcon,
                                         BSTR* sFileExtra1, BSTR* sFileExtra2, BSTR* sFileOpen, BSTR* sFileDesc,
                                         BSTR* sContentType, VARIANT* ret) override;
  STDMETHODIMP FileAssociationInRegistry2(BSTR* sFileExtension, BSTR* sFileAssociation, BSTR* sFileIcon,
                                          BSTR* sFileOpen, BSTR* sFileDesc, BSTR* sContentType,
                                          VARIANT* ret) override;

  // The key below HKEY_LOCAL_MACHINE that lists the programs run at logon.
  static const wchar_t kStartupKey[];

  // The same behaviour for the library's own code. Writers answer the platform's code.
  static LONG WriteTyped(HKEY key, const std::wstring& name, long type, const VARIANT& value);
  // The value read (Empty when nothing was read) and the code of the read.
  static Var ReadTyped(long root, const std::wstring& key_name, const std::wstring& name, LONG* code);
  static void SetKeyValueNow(long root, const std::wstring& key_name, const std::wstring& name,
                             const VARIANT& value, long type);
  static void DeleteValueNow(long root, const std::wstring& key_name, const std::wstring& name);
  static void RegisterExtension(const std::wstring& extension, const std::wstring& program,
                                const std::wstring& icon, const std::wstring& verb, const std::wstring& description);
};

}  // namespace kz
