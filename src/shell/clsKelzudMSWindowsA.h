// Special folders and the user's recent-documents list.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class MSWindows : public ComObject<MSWindows, _clsKelzudMSWindowsA> {
  KZ_CLASS(clsKelzudMSWindowsA)
 public:
  STDMETHODIMP GetSpecialFolderPath(long* lWinHnd, long* lFolderIDConst, BSTR* ret) override;
  STDMETHODIMP AddToDocumentsList(BSTR* FileName, VARIANT_BOOL* ret) override;

  // Adds a file to the recent documents; false for an empty name, a device name, a name with
  // a NUL or too long for the shell, and when the shell reports a failure and wrote no link.
  static bool AddToRecent(const std::wstring& file);
};

}  // namespace kz
