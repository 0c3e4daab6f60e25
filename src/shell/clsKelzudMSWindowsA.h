// Special folders and the user's recent-documents list.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class MSWindows : public ComObject<MSWindows, _clsKelzudMSWindowsA> {
  KZ_CLASS(clsKelzudMSWindowsA)
 public:
  STDMETHODIMP GetSpecialFolderPath(long* lWinHnd, long* lFolderIDConst, BSTR* ret) override;
  STDMETHODIMP AddToDocumentsList(BSTR* FileName, VARIANT_BOOL* ret) override;
};

}  // namespace kz
