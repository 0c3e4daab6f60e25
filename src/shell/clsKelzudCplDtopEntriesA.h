// A shell folder item on the desktop and in the control panel: the class registration the
// shell reads, and the two namespace entries that list it.
#pragma once
#include <string>

#include "com/comobject.h"
#include "frame/kz.h"

namespace kz {

class CplDtopEntries : public ComObject<CplDtopEntries, _clsKelzudCplDtopEntriesA> {
  KZ_CLASS(clsKelzudCplDtopEntriesA)
 public:
  STDMETHODIMP CreateEntryToSystem(BSTR* GUID, BSTR* Title, BSTR* ToolTipText, BSTR* IconData, BSTR* FileToOpen,
                                   VARIANT_BOOL* bUpdateDeskTop, VARIANT_BOOL* bUpdateControlPanel,
                                   VARIANT* ret) override;
  STDMETHODIMP DeleteEntryFromSystem(BSTR* GUID, VARIANT_BOOL* bUpdateDeskTop, VARIANT_BOOL* bUpdateControlPanel,
                                     VARIANT* ret) override;

  // The C++ side of the members. The texts are the caller's: an empty one receives the single
  // space that is written in its place. All of the entry is written or, when a write fails,
  // none of it (what was there before is put back and the failure is shown in a message box).
  // A GUID text that is not a GUID is refused with the "Incorrect Format:" box, and a class
  // registered for a server other than the shell's with the "Registered for another server:"
  // box: nothing is written over it. A text with a NUL or longer than 32,767 characters is
  // refused with the "Invalid Parameter" box, before anything is written.
  void Create(const std::wstring& guid, std::wstring& title, std::wstring& tip, std::wstring& icon,
              std::wstring& file_to_open, bool desktop, bool control_panel);
  // Removes the namespace entries first (so nothing lists an item that is half gone), then the
  // class registration, deepest key first. A key that still holds subkeys the entry did not
  // make is left as it is. Only an entry as Create writes it is removed: a class registered
  // for another server, or for the shell with other folder attributes, is refused with a
  // message box and nothing is deleted.
  void Remove(const std::wstring& guid, bool desktop, bool control_panel);

  // The library's tables: a root name ("HKEY_CLASSES_ROOT", letter case counts) as its Long
  // (0 for anything else), and a registry result code as its message.
  static long RootOfName(const std::wstring& name);
  static std::wstring ErrorText(long code);
  // A GUID text the entry accepts: 8-4-4-4-12 hexadecimal digits, with or without braces.
  static bool IsGuidText(const std::wstring& guid);

  static const wchar_t kDesktopNameSpace[];       // below HKEY_LOCAL_MACHINE, ends with "\"
  static const wchar_t kControlPanelNameSpace[];  // below HKEY_LOCAL_MACHINE, ends with "\"
};

}  // namespace kz
