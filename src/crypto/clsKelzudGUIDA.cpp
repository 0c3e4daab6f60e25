#include "crypto/clsKelzudGUIDA.h"

#include <cwchar>

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"
#include "platform/ui.h"

namespace kz {
namespace {

const wchar_t kTemplate[] = L"@@@@@@@@-@@@@-@@@@-@@@@-@@@@@@@@@@@@";
const wchar_t kNoGuid[] = L"00000000";

std::wstring HexDigits(const GUID& g) {
  wchar_t buf[40];
  swprintf(buf, 40, L"%08lX%04X%04X", static_cast<unsigned long>(g.Data1), g.Data2, g.Data3);
  std::wstring s = buf;
  for (unsigned char b : g.Data4) {
    swprintf(buf, 40, L"%02X", b);
    s += buf;
  }
  return s;
}

}  // namespace

std::wstring GuidMaker::FillTemplate(const std::wstring& pattern, const std::wstring& text) {
  std::wstring out = pattern;
  size_t next = text.size();
  for (size_t i = out.size(); i-- > 0;) {
    if (out[i] != L'@') continue;
    out[i] = next > 0 ? text[--next] : L' ';
  }
  return out;
}

std::wstring GuidMaker::GuidText(HRESULT hr, const GUID& g, VARIANT_BOOL braces) {
  std::wstring hex = kNoGuid;
  if (hr == S_OK) {
    try {
      hex = HexDigits(g);
    } catch (const std::exception&) {
      // Out of memory while formatting: reported the way the class reports any such error.
      ShowMessage(L"Error 7: Out of memory", MB_OK, L"");
      hex = kNoGuid;
    }
  }
  std::wstring text = FillTemplate(kTemplate, hex);
  if (braces == VARIANT_TRUE) text = L"{" + text + L"}";
  return text;
}

STDMETHODIMP GuidMaker::CreateGUID(VARIANT_BOOL* bWithCurlyBracets, BSTR* ret) {
  return Guard([&] {
    GUID g{};
    HRESULT hr = CoCreateGuid(&g);
    *ret = ToBstr(GuidText(hr, g, bWithCurlyBracets ? *bWithCurlyBracets : VARIANT_FALSE));
  });
}

KZ_REGISTER_CLASS(GuidMaker);

}  // namespace kz
