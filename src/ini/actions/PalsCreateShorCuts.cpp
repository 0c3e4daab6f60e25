// Shortcuts: each line names a program, the shortcut's title and arguments, and the folder
// that receives it (created one level deep when missing).
#include "base/error.h"
#include "base/win.h"
#include "ini/actions/ActionEngine.h"
#include "platform/shelllink.h"

namespace kz {
namespace {

std::wstring FullFolder(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (!n) throw ErrorOfWin32(GetLastError());
  std::wstring out(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, &out[0], nullptr);
  out.resize(n);
  while (out.size() > 3 && (out.back() == L'\\' || out.back() == L'/')) out.pop_back();
  return out;
}

// The folder above `full`; a drive's root is its own parent.
std::wstring ParentOf(const std::wstring& full) {
  size_t cut = full.find_last_of(L"\\/");
  if (cut == std::wstring::npos || cut + 1 >= full.size()) return full;
  std::wstring up = full.substr(0, cut);
  if (up.size() == 2 && up[1] == L':') up += L'\\';
  return up.empty() ? full : up;
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsCreateShorCuts(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      const std::wstring folder = variables.Expand(Field(f, 4), Lookup::EnvironmentFlagged);
      if (folder.empty()) throw Error(kErrInvalidCall);
      DWORD attrs = GetFileAttributesW(folder.c_str());
      if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!CreateDirectoryW(folder.c_str(), nullptr)) throw ErrorOfWin32(GetLastError());
      }
      if (Field(f, 0).empty()) return;
      const std::wstring full = FullFolder(folder);
      Seam<ShellLinks>().Create(full, Field(f, 1), Field(f, 0), Field(f, 2), true, ParentOf(full));
    });
  });
}

}  // namespace kz
