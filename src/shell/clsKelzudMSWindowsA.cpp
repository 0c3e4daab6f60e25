#include "shell/clsKelzudMSWindowsA.h"

#include <shlobj.h>

#include "base/text.h"
#include "frame/catalogue.h"
#include "shell/clsKelzudFFShortcutA.h"

namespace kz {

STDMETHODIMP MSWindows::GetSpecialFolderPath(long* lWinHnd, long* lFolderIDConst, BSTR* ret) {
  return Guard([&] {
    if (!ret) return;
    *ret = ToBstr(SpecialFolderPath(lWinHnd ? *lWinHnd : 0, lFolderIDConst ? *lFolderIDConst : 0));
  });
}

STDMETHODIMP MSWindows::AddToDocumentsList(BSTR* FileName, VARIANT_BOOL* ret) {
  return Guard([&] {
    if (!ret) return;
    *ret = VARIANT_FALSE;
    std::string name = ToAnsi(FileName ? FromBstr(*FileName) : std::wstring());
    if (name.empty()) return;
    SetLastError(0);
    SHAddToRecentDocs(SHARD_PATHA, name.c_str());
    *ret = GetLastError() == 0 ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

KZ_REGISTER_CLASS(MSWindows);

}  // namespace kz
