// Text-file helpers: a small file read whole, a file read line by line into a text for a
// scrolling display, and that text scrolled upward in the caller's picture box.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class TextFileHelper : public ComObject<TextFileHelper, _clsKelzudFFTextFileA> {
  KZ_CLASS(clsKelzudFFTextFileA)
 public:
  STDMETHODIMP ReadTXTFileInString(BSTR* sFileName, BSTR* ret) override;
  STDMETHODIMP ScrollTextFromFile(BSTR* FileName, BSTR* ret) override;
  STDMETHODIMP ScrollAdvertisement(IDispatch** PICBOX, VARIANT* SCROLLINGSTRING, short* SCROLLINGTIME) override;

  // The same behaviour for the library's own code and the tests.
  static std::wstring ReadWhole(const std::wstring& file);
  static std::wstring ReadForScroll(const std::wstring& file);
  // Scrolls `text` in `box` until a "stop" call (or a failed measurement) sets the stop flag.
  void Scroll(IDispatch* box, const std::wstring& text, short step_ms);
  bool stopped() const { return stop_; }

 private:
  bool stop_ = false;
};

}  // namespace kz
