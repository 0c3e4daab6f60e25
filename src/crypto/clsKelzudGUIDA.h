// New GUIDs as registry-style text: 32 upper-case hexadecimal digits in groups of 8, 4, 4, 4
// and 12, optionally in braces.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class GuidMaker : public ComObject<GuidMaker, _clsKelzudGUIDA> {
  KZ_CLASS(clsKelzudGUIDA)
 public:
  STDMETHODIMP CreateGUID(VARIANT_BOOL* bWithCurlyBracets, BSTR* ret) override;

  // The text for the outcome of one CoCreateGuid call: a failed call (hr not S_OK) gives
  // "00000000" in the last places of the template. Braces only for a flag of exactly true.
  static std::wstring GuidText(HRESULT hr, const GUID& g, VARIANT_BOOL braces);
  // Puts `text` into `pattern` from the right, one character per "@"; places left over
  // become spaces.
  static std::wstring FillTemplate(const std::wstring& pattern, const std::wstring& text);
};

}  // namespace kz
