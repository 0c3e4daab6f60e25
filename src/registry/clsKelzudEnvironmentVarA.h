// Sets environment variables permanently (process, registry, broadcast) and reads them back.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/variant.h"

namespace kz {

class KelzudEnvironmentVarA : public ComObject<KelzudEnvironmentVarA, _clsKelzudEnvironmentVarA> {
  KZ_CLASS(clsKelzudEnvironmentVarA)
 public:
  STDMETHODIMP EnvironmentSet(BSTR* sSettingName, BSTR* sSettingValue, VARIANT_BOOL* bSystemEnvironment,
                              VARIANT_BOOL* bAllControlSets) override;
  STDMETHODIMP EnvironmentGet(BSTR* sSettingName, BSTR* sDefaultValue, VARIANT_BOOL* bFullValue,
                              BSTR* ret) override;
  STDMETHODIMP EnvironmentGetAPI(BSTR* sSettingName, BSTR* sDefaultValue, BSTR* ret) override;

  // The C++ side of the members above. Set raises 5 for a name the platform cannot hold (empty,
  // with "=" or NUL) or a value over 32,767 characters, before anything is changed.
  static void Set(const std::wstring& name, const std::wstring& value, bool system, bool all_control_sets);
  static std::wstring Get(const std::wstring& name, const std::wstring& fallback, bool full_value);
  static std::wstring GetAPI(const std::wstring& name, const std::wstring& fallback);
};

namespace env {

// Key paths of the machine environment in the control sets.
extern const wchar_t kControlSet001[];
extern const wchar_t kControlSet002[];
extern const wchar_t kControlSet003[];
extern const wchar_t kCurrentControlSet[];

// Writes one value into an existing key (never created): REG_SZ and REG_EXPAND_SZ as text,
// REG_DWORD as a 32-bit integer; other types write nothing. Failures are silent.
void WriteRegistryValue(HKEY root, const std::wstring& key_path, const std::wstring& value_name,
                        const VARIANT& value, long type);

// Appends `folder` to the machine "Path" of ControlSet001, ControlSet002 and the current
// control set, through the environment registry component, unless it is already there.
// Control sets whose environment key does not exist are left alone. Raises 5 when the result
// would be longer than an environment variable can be.
void ExtendMachinePath(const std::wstring& folder);

}  // namespace env
}  // namespace kz
