#include "fs/clsKelzudFFTextFileA.h"

#include <vector>

#include "base/error.h"
#include "base/longhandle.h"
#include "base/pump.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "frame/modules.h"
#include "fs/fspaths.h"
#include "platform/ui.h"

namespace kz {
namespace {

// The bytes of a file; false when it cannot be opened (with the Win32 error in *error).
bool ReadBytes(const std::wstring& file, std::string* out, DWORD* error, long long limit) {
  HANDLE h = CreateFileW(fsx::KernelPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  // A device name ("COM1.txt", "CON") opens the device, and reading it can wait for ever.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    *error = ERROR_INVALID_NAME;
    return false;
  }
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  if (limit >= 0 && size.QuadPart > limit) {  // the length does not fit where it is kept
    CloseHandle(h);
    *error = ERROR_ARITHMETIC_OVERFLOW;
    return false;
  }
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out->append(buf, got);
  CloseHandle(h);
  return true;
}

}  // namespace

std::wstring TextFileHelper::ReadWhole(const std::wstring& file) {
  if (!IsUsablePath(file)) return std::wstring();
  std::string bytes;
  DWORD err = 0;
  if (!ReadBytes(file, &bytes, &err, 32767)) return std::wstring();
  return FromAnsi(bytes);
}

std::wstring TextFileHelper::ReadForScroll(const std::wstring& file) {
  if (!IsUsablePath(file)) return std::wstring();
  std::string bytes;
  DWORD err = 0;
  if (!ReadBytes(file, &bytes, &err, -1)) {
    if (AutomationErrorOfWin32(err) == kErrFileNotFound) return L"Advertisement Scroll1.txt file not found!";
    return std::wstring();
  }
  // Each line is added with CR LF and the whole text trimmed of spaces after every line. The
  // text then always ends in CR LF, so only its start is ever trimmed, and trimming once at
  // the end gives the same text in linear time.
  std::wstring all = FromAnsi(bytes), text;
  text.reserve(all.size() + all.size() / 8 + 2);
  size_t i = 0;
  while (i < all.size()) {
    size_t e = all.find_first_of(L"\r\n", i);
    if (e == std::wstring::npos) e = all.size();
    text.append(all, i, e - i);
    text += L"\r\n";
    i = e;
    if (i < all.size() && all[i] == L'\r') ++i;
    if (i < all.size() && all[i] == L'\n') ++i;
  }
  size_t start = text.find_first_not_of(L' ');
  if (start == std::wstring::npos) return std::wstring();
  text.erase(0, start);
  return text;
}

void TextFileHelper::Scroll(IDispatch* box, const std::wstring& text, short step_ms) {
  if (LowerCase(text) == L"stop") {
    // Ends a scroll that is running on this object (it checks the flag on every turn).
    stop_ = true;
    return;
  }
  if (!box) Raise(kErrObjectNotSet);
  stop_ = false;  // a new scroll
  Ptr<IDispatch> keep = Ptr<IDispatch>::Share(box);
  std::string ansi = ToAnsi(text);
  HDC dc = HandleFromLong<HDC>(VarToLong(GetProp(box, L"hDC").get()));
  RECT r{0, 0, 0, 0};
  int height = DrawTextA(dc, ansi.c_str(), -1, &r, DT_CALCRECT);
  long h = r.bottom;
  if (height == 0) {
    ShowMessage(L"Error scrolling text", MB_ICONEXCLAMATION, LibraryTitle());
    stop_ = true;
    h = 0;
  }
  long width = VarToLong(GetProp(box, L"ScaleWidth").get());
  long top = VarToLong(GetProp(box, L"ScaleHeight").get());
  RECT place{0, top, width, top + h};
  // A negative time is no time: as a wait it would have no limit.
  const DWORD step = step_ms < 0 ? 0 : static_cast<DWORD>(step_ms);
  bool first = true;
  DWORD last = 0;
  while (!stop_) {
    DWORD now = GetTickCount();
    if (first || now - last > step) {
      first = false;
      CallByName(box, L"Cls", DISPATCH_METHOD, std::vector<Var>{});
      dc = HandleFromLong<HDC>(VarToLong(GetProp(box, L"hDC").get()));
      DrawTextA(dc, ansi.c_str(), -1, &place, DT_WORDBREAK | DT_CENTER);
      OffsetRect(&place, 0, -1);
      if (place.top < -h) place = RECT{0, top, width, top + h};
      CallByName(box, L"Refresh", DISPATCH_METHOD, std::vector<Var>{});
      last = GetTickCount();
    } else {
      // Until the next step, wait for messages rather than spin.
      MsgWaitForMultipleObjects(0, nullptr, FALSE, step - (now - last), QS_ALLINPUT);
    }
    PumpMessages();
  }
}

STDMETHODIMP TextFileHelper::ReadTXTFileInString(BSTR* sFileName, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(ReadWhole(FromBstr(sFileName))); });
}

STDMETHODIMP TextFileHelper::ScrollTextFromFile(BSTR* FileName, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(ReadForScroll(FromBstr(FileName))); });
}

STDMETHODIMP TextFileHelper::ScrollAdvertisement(IDispatch** PICBOX, VARIANT* SCROLLINGSTRING, short* SCROLLINGTIME) {
  return Guard([&] {
    std::wstring text = SCROLLINGSTRING ? VarToStr(SCROLLINGSTRING) : std::wstring();
    Scroll(PICBOX ? *PICBOX : nullptr, text, SCROLLINGTIME ? *SCROLLINGTIME : 0);
  });
}

KZ_REGISTER_CLASS(TextFileHelper);

}  // namespace kz
