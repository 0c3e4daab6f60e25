// Program shortcuts in the Start menu, on the desktop or in a folder of the caller's choice,
// made by our shortcut function (platform/shelllink.h); special folders and the Windows and
// system folders.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

// The file-system path of a special folder, or empty on any platform failure.
std::wstring SpecialFolderPath(long owner, long folder);

class FFShortcut : public ComObject<FFShortcut, _clsKelzudFFShortcutA> {
  KZ_CLASS(clsKelzudFFShortcutA)
 public:
  STDMETHODIMP GetSpecialFolderLocationW32a(long* lhwndOwner, SpecialFolderIDWoslConstants* lFldID,
                                            BSTR* ret) override;
  STDMETHODIMP dojobsstart() override;
  STDMETHODIMP doAddShortCutPals(BSTR* ExeFileSpec, BSTR* Title, BSTR* Arglist, WhereToCreate* sDestinationPath,
                                 BSTR* sDestinationName, long* ret) override;
  STDMETHODIMP doAddShortCut(BSTR* ExeFileSpec, BSTR* Title, BSTR* Arglist, WhereToCreate* sDestinationPath,
                             BSTR* sDestinationName, VARIANT_BOOL* ret) override;
  STDMETHODIMP GetWinDir(BSTR* ret) override;
  STDMETHODIMP GetWinSysDir(BSTR* ret) override;

  // The Windows folder; on failure a message box "Failed to get windows dir" and "".
  static std::wstring WindowsDir();
  void StartJobs();
  // Both return what the methods of the same names return; errors become false / 0.
  // AddShortCut is true only when the link was written: destinations 4 to 6 (the absolute
  // folders of old systems) and unknown values write nothing and are false. Texts with a NUL
  // or longer than 32,767 characters are refused before anything is done.
  bool AddShortCut(std::wstring exe, std::wstring title, std::wstring args, long where, const std::wstring& name);
  long AddShortCutPals(const std::wstring& exe, const std::wstring& title, const std::wstring& args,
                       const std::wstring& name);

 private:
  std::wstring win_, desktop_, startmenu_, programs_, desktop_abs_, startmenu_abs_, programs_abs_;
};

}  // namespace kz
