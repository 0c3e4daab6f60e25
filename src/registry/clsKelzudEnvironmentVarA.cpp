#include "registry/clsKelzudEnvironmentVarA.h"

#include <algorithm>
#include <vector>

#include "base/error.h"
#include "base/owner.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/ptr.h"
#include "com/siblings.h"
#include "frame/catalogue.h"

namespace kz {
namespace env {

const wchar_t kControlSet001[] = L"SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment";
const wchar_t kControlSet002[] = L"SYSTEM\\ControlSet002\\Control\\Session Manager\\Environment";
const wchar_t kControlSet003[] = L"SYSTEM\\ControlSet003\\Control\\Session Manager\\Environment";
const wchar_t kCurrentControlSet[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

namespace {

// The largest variable the process environment holds, in characters without the NUL.
constexpr size_t kMaxVariable = 32767;
// Reads stay within this many characters first; longer values are read again whole.
constexpr DWORD kReadBuffer = 512;

std::wstring Lower(std::wstring s) {
  CharLowerBuffW(s.empty() ? nullptr : &s[0], static_cast<DWORD>(s.size()));
  return s;
}

}  // namespace

void WriteRegistryValue(HKEY root, const std::wstring& key_path, const std::wstring& value_name,
                        const VARIANT& value, long type) {
  RegKey key;
  if (RegOpenKeyExW(root, key_path.c_str(), 0, 0x3F, key.out()) != ERROR_SUCCESS) return;
  try {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text = VarToStr(&value);
      // Stored with its NUL, so that readers never see a value cut one character short.
      RegSetValueExW(key.get(), value_name.c_str(), 0, static_cast<DWORD>(type),
                     reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else if (type == REG_DWORD) {
      DWORD n = static_cast<DWORD>(VarToLong(&value));
      RegSetValueExW(key.get(), value_name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    }
  } catch (const Error&) {
    // A value that does not convert is not written; the writer reports nothing.
  }
}

namespace {

// A folder as the path compares it: letter case and trailing backslashes do not tell folders
// apart.
std::wstring PathEntryKey(const std::wstring& folder) {
  std::wstring bare = folder;
  while (bare.size() > 1 && bare.back() == L'\\') bare.pop_back();
  return Lower(bare);
}

// Whether one of the entries of `path` (separated by ";") is `key`. Part of a longer entry is
// another folder.
bool PathHasEntry(const std::wstring& path, const std::wstring& key) {
  size_t start = 0;
  for (;;) {
    size_t end = path.find(L';', start);
    if (PathEntryKey(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)) == key)
      return true;
    if (end == std::wstring::npos) return false;
    start = end + 1;
  }
}

}  // namespace

void ExtendMachinePath(const std::wstring& folder) {
  const std::wstring needle = PathEntryKey(folder);
  Ptr<IDispatch> reg = Ptr<IDispatch>::Adopt(CreateSibling(kSiblingEnvRegistry));
  for (const wchar_t* path : {kControlSet001, kControlSet002, kCurrentControlSet}) {
    {
      // The component creates missing keys; a control set the machine lacks stays absent.
      RegKey probe;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, probe.out()) != ERROR_SUCCESS) continue;
    }
    PutProp(reg.get(), L"ClassKey", Var::Long(static_cast<long>(reinterpret_cast<LONG_PTR>(HKEY_LOCAL_MACHINE))));
    PutProp(reg.get(), L"SectionKey", Var::Str(path));
    PutProp(reg.get(), L"ValueKey", Var::Str(L"Path"));
    Var current = GetProp(reg.get(), L"Value");
    std::wstring text = VarToStr(current.get());
    // Letter case does not tell folders apart, so a folder in another case is already there.
    if (PathHasEntry(text, needle)) continue;
    std::wstring joined = text.empty() ? folder : text + L";" + folder;
    if (joined.size() > kMaxVariable)
      throw Error(kErrInvalidCall, L"",
                  L"The folder cannot be added: the machine Path would exceed 32767 characters");
    PutProp(reg.get(), L"Value", Var::Str(joined));
  }
}

}  // namespace env

namespace {

bool Flag(const VARIANT_BOOL* b) { return b ? *b != VARIANT_FALSE : true; }
bool ExactlyTrue(const VARIANT_BOOL* b) { return b ? *b == VARIANT_TRUE : true; }

// The process's value of `name`; false when it is not set or empty.
bool ReadVariable(const std::wstring& name, std::wstring* out) {
  std::vector<wchar_t> buf(env::kReadBuffer);
  DWORD n = GetEnvironmentVariableW(name.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  if (n >= buf.size()) {
    // Too long for the first buffer: n is the size needed, so the whole value is read.
    buf.resize(n + 1);
    n = GetEnvironmentVariableW(name.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) n = 0;
  }
  if (n < 1) return false;
  out->assign(buf.data(), n);
  return true;
}

}  // namespace

void KelzudEnvironmentVarA::Set(const std::wstring& name, const std::wstring& value, bool system,
                                bool all_control_sets) {
  // A name the environment cannot hold (empty, or with "=" or a NUL that would cut it) names
  // no variable: nothing is written and, as for any failed write, nothing is reported.
  if (name.empty() || name.find_first_of(std::wstring(L"=\0", 2)) != std::wstring::npos) return;
  if (value.size() > env::kMaxVariable || value.find(L'\0') != std::wstring::npos)
    throw Error(kErrInvalidCall, L"",
                L"An environment variable value must not hold a NUL or exceed 32767 characters");
  SetEnvironmentVariableW(name.c_str(), value.c_str());
  Var v = Var::Str(value);
  if (system) {
    env::WriteRegistryValue(HKEY_LOCAL_MACHINE, env::kControlSet001, name, *v.get(), REG_EXPAND_SZ);
    if (all_control_sets) {
      for (const wchar_t* path : {env::kCurrentControlSet, env::kControlSet002, env::kControlSet003})
        env::WriteRegistryValue(HKEY_LOCAL_MACHINE, path, name, *v.get(), REG_EXPAND_SZ);
    }
  } else {
    env::WriteRegistryValue(HKEY_CURRENT_USER, L"Environment", name, *v.get(), REG_EXPAND_SZ);
  }
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
}

std::wstring KelzudEnvironmentVarA::GetAPI(const std::wstring& name, const std::wstring& fallback) {
  std::wstring value;
  return ReadVariable(name, &value) ? value : fallback;
}

std::wstring KelzudEnvironmentVarA::Get(const std::wstring& name, const std::wstring& fallback, bool full_value) {
  std::wstring value;
  if (!ReadVariable(name, &value)) return fallback;
  if (!full_value || value.empty() || value[0] != L'%') return value;
  // One leading reference: the text between the first two "%" names the variable whose value
  // replaces it; the text up to a third "%" follows; anything after that is dropped.
  size_t close = value.find(L'%', 1);
  if (close == std::wstring::npos) Raise(kErrSubscript);
  std::wstring referenced = value.substr(1, close - 1);
  size_t end = value.find(L'%', close + 1);
  std::wstring tail = value.substr(close + 1, end == std::wstring::npos ? std::wstring::npos : end - close - 1);
  return GetAPI(referenced, L"") + tail;
}

STDMETHODIMP KelzudEnvironmentVarA::EnvironmentSet(BSTR* sSettingName, BSTR* sSettingValue,
                                                   VARIANT_BOOL* bSystemEnvironment, VARIANT_BOOL* bAllControlSets) {
  return Guard([&] {
    Set(FromBstr(sSettingName), FromBstr(sSettingValue), Flag(bSystemEnvironment), ExactlyTrue(bAllControlSets));
  });
}

STDMETHODIMP KelzudEnvironmentVarA::EnvironmentGet(BSTR* sSettingName, BSTR* sDefaultValue, VARIANT_BOOL* bFullValue,
                                                   BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] { *ret = ToBstr(Get(FromBstr(sSettingName), FromBstr(sDefaultValue), ExactlyTrue(bFullValue))); });
}

STDMETHODIMP KelzudEnvironmentVarA::EnvironmentGetAPI(BSTR* sSettingName, BSTR* sDefaultValue, BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] { *ret = ToBstr(GetAPI(FromBstr(sSettingName), FromBstr(sDefaultValue))); });
}

KZ_REGISTER_CLASS(KelzudEnvironmentVarA);

}  // namespace kz
