// Transfer between an INI file and the registry: every key of every section becomes a string
// value below a registry key (one subkey per section), and back. INI access goes through the
// handler held in goclsKelzudINIFileHandler1A (any object with the handler's members), the
// registry through the property-style accessor.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/ptr.h"

namespace kz {

class IniFileHandler;

class IniRegSwap : public ComObject<IniRegSwap, _clsKelzudaINIREGSwapA> {
  KZ_CLASS(clsKelzudaINIREGSwapA)
 public:
  IniRegSwap();

  STDMETHODIMP get_goclsKelzudINIFileHandler1A(IDispatch** ret) override;
  STDMETHODIMP putref_goclsKelzudINIFileHandler1A(IDispatch* rhs) override;
  STDMETHODIMP SetRegistryKeyValue(BSTR* sRegistryKey, BSTR* sValueKey, BSTR* sValue, long* lRegistryRoot,
                                   VARIANT* ret) override;
  STDMETHODIMP SetINIKeyValue(BSTR* sINIFile, BSTR* sSection, BSTR* sKey, BSTR* sValue, VARIANT* ret) override;
  STDMETHODIMP INIFileToRegistry(BSTR* sSourceINIFilePath, BSTR* sDestinationRegistryKey, long* lRegistryRoot,
                                 long* ret) override;
  STDMETHODIMP RegistryToINIFile(BSTR* sDestinationINIFilePath, BSTR* sSourceRegistryKey, long* lRegistryRoot,
                                 BSTR* sRegKeyAs, long* ret) override;

  // The same behaviour for the library's own code; failures raise kz::Error.
  static void SetRegistryValue(const std::wstring& key, const std::wstring& name, const std::wstring& value, long root);
  void SetIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value);
  void IniToRegistry(const std::wstring& ini_file, const std::wstring& registry_key, long root);
  void RegistryToIni(const std::wstring& ini_file, const std::wstring& registry_key, long root,
                     const std::wstring& section_as);

 private:
  IniFileHandler* OwnHandler() const;

  Ptr<IDispatch> handler_;
  Ptr<IniFileHandler> own_;
};

}  // namespace kz
