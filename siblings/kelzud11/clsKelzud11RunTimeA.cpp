// The runtime component: environment variables of the product family.
//
// Scope 2 (the one the library uses) is the user's persistent environment: the variable is
// stored under HKEY_CURRENT_USER\Environment, where every later process of the user reads it,
// and set in this process's environment, which programs started from here inherit. Scope 1 is
// this process's environment only. The flag, when true, expands %NAME% references inside the
// value.
#include <string>

#include "common/sibling.h"
#include "platform/textlog.h"
#include "com/variant.h"
#include "kelzud11.h"
#include "kelzud11/regvalue.h"
#include "base/text.h"

namespace kzs {
namespace {

constexpr long kScopeProcess = 1;
constexpr long kScopeUser = 2;
constexpr size_t kMaxValue = 32766;  // the platform's limit for one variable, without terminator
constexpr wchar_t kUserEnvironment[] = L"Environment";

bool IsVariableName(const std::wstring& name) {
  return !name.empty() && name.find(L'=') == std::wstring::npos && IsRegistryName(name);
}

void CheckScope(long scope) {
  if (scope != kScopeProcess && scope != kScopeUser)
    InvalidArgument(L"Unknown environment scope (1 is this process, 2 is the user's environment)");
}

std::wstring Expand(const std::wstring& value) {
  if (value.find(L'%') == std::wstring::npos) return value;
  std::wstring out(value.size() + 256, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD n = ExpandEnvironmentStringsW(value.c_str(), &out[0], static_cast<DWORD>(out.size()));
    if (n == 0) return value;
    if (n <= out.size()) {
      out.resize(n - 1);  // n counts the terminator
      return out;
    }
    out.resize(n);
  }
  return value;
}

std::wstring ReadVariable(long scope, const std::wstring& name, bool expand) {
  CheckScope(scope);
  if (!IsVariableName(name)) return std::wstring();  // no such variable can exist
  std::wstring value;
  bool found = false;
  if (scope == kScopeUser) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUserEnvironment, 0, KEY_QUERY_VALUE, key.out()) == ERROR_SUCCESS)
      found = ReadText(key.get(), name, value);
  }
  if (!found) value = kz::ProcessVariable(name.c_str());
  return expand ? Expand(value) : value;
}

// Announces a changed user environment to the running programs that listen (the shell
// re-reads it for the programs it starts). A window that does not answer is not waited for.
void Announce() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(kUserEnvironment),
                      SMTO_ABORTIFHUNG, 200, &ignored);
}

// An empty value removes the variable.
void WriteVariable(long scope, const std::wstring& name, const std::wstring& value) {
  CheckScope(scope);
  if (!IsVariableName(name))
    InvalidArgument(L"An environment variable's name must not be empty, nor hold \"=\" or a NUL character");
  if (value.find(L'\0') != std::wstring::npos)
    InvalidArgument(L"An environment variable's value must not hold a NUL character");
  if (value.size() > kMaxValue) InvalidArgument(L"An environment variable's value is limited to 32766 characters");
  if (scope == kScopeUser) {
    RegKey key;
    LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, kUserEnvironment, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                             nullptr, key.out(), nullptr);
    if (r == ERROR_SUCCESS) {
      if (value.empty()) {
        r = RegDeleteValueW(key.get(), name.c_str());
        if (r == ERROR_FILE_NOT_FOUND) r = ERROR_SUCCESS;
      } else {
        // A value that refers to other variables stays expandable, as the shell stores it.
        DWORD type = value.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ;
        r = WriteText(key.get(), name, value, type);
      }
    }
    if (r == ERROR_ACCESS_DENIED) throw kz::Error(70, L"", kz::StdDescription(70));
    if (r != ERROR_SUCCESS)
      throw kz::Error(kz::kErrInvalidCall, L"",
                      L"The environment variable could not be stored (system error " + std::to_wstring(r) + L")");
  }
  if (!SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str()) && !value.empty())
    throw kz::Error(kz::kErrInvalidCall, L"", L"The environment variable could not be set in this process");
  if (scope == kScopeUser) Announce();
}

}  // namespace

class RunTime : public SiblingObject<RunTime, _clsKelzud11RunTimeA> {
  KZ_CLASS(clsKelzud11RunTimeA)
 public:
  static const wchar_t* ProgId() { return L"KELZUD11.clsKelzud11RunTimeA"; }

  STDMETHODIMP EnvironGet(long* lScope, BSTR* sName, VARIANT* vFlag, BSTR* ret) override {
    if (!lScope || !sName || !ret) return E_POINTER;
    *ret = nullptr;
    return Run([&] {
      bool expand = vFlag && !kz::IsMissing(vFlag) && kz::VarToBool(vFlag);
      *ret = kz::ToBstr(ReadVariable(*lScope, kz::FromBstr(*sName), expand));
    });
  }

  STDMETHODIMP EnvironSet(long* lScope, BSTR* sName, BSTR* sValue, BSTR* ret) override {
    if (!lScope || !sName || !sValue || !ret) return E_POINTER;
    *ret = nullptr;
    return Run([&] {
      std::wstring value = kz::FromBstr(*sValue);
      WriteVariable(*lScope, kz::FromBstr(*sName), value);
      *ret = kz::ToBstr(value);
    });
  }
};

KZS_REGISTER_CLASS(RunTime);

}  // namespace kzs
