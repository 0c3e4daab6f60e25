// The static message window: a small modeless window with one text, shown or updated by
// UIShowStaticMessageDialog and removed by UIHideStaticMessageDialog or when the object goes.
// It belongs to the calling thread, whose message loop keeps it painted; no call ever waits.
// Where no window can be created (no desktop), showing does nothing.
//
// Unattended runs (KELZUD10_UNATTENDED names a file) show no window: each show and each
// removal of a shown window is appended to that file as a record instead:
//   show TAB KELZUD16.clsKelzudWUIStatic TAB text      hide TAB KELZUD16.clsKelzudWUIStatic TAB
#include <string>

#include "base/longhandle.h"
#include "common/sibling.h"
#include "platform/textlog.h"
#include "com/dispatch.h"
#include "com/variant.h"
#include "kelzud16.h"
#include "base/text.h"

namespace kzs {
namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 120;

std::wstring UnattendedLogFile() { return kz::ProcessVariable(L"KELZUD10_UNATTENDED"); }

// A window handle given as a number; anything else is no owner.
HWND OwnerFrom(const VARIANT& v) {
  if (kz::IsMissing(&v)) return nullptr;
  try {
    kz::Var d = kz::Deref(&v);
    if (d.vt() == VT_EMPTY || d.vt() == VT_NULL || d.vt() == VT_DISPATCH || d.vt() == VT_UNKNOWN) return nullptr;
    HWND h = kz::HandleFromLong<HWND>(kz::VarToLong(d.get()));
    return IsWindow(h) ? h : nullptr;
  } catch (const kz::Error&) {
    return nullptr;
  }
}

}  // namespace

class WUIStatic : public SiblingObject<WUIStatic, _clsKelzudWUIStatic> {
  KZ_CLASS(clsKelzudWUIStatic)
 public:
  static const wchar_t* ProgId() { return L"KELZUD16.clsKelzudWUIStatic"; }

  ~WUIStatic() override { Remove(); }

  STDMETHODIMP UIShowStaticMessageDialog(BSTR sMessage, VARIANT_BOOL bTopMost, VARIANT vOwnerHwnd,
                                         VARIANT_BOOL bCentered) override {
    return Run([&] {
      std::wstring text = kz::FromBstr(sMessage);
      std::wstring log = UnattendedLogFile();
      if (!log.empty()) {
        kz::AppendLine(log, L"show\t" + std::wstring(ProgId()) + L"\t" + kz::EscapeField(text));
        logged_ = true;
        return;
      }
      // The window text ends at a NUL; the rest of the message still shows.
      for (auto& c : text)
        if (c == L'\0') c = L' ';
      Show(text, bTopMost != VARIANT_FALSE, OwnerFrom(vOwnerHwnd), bCentered != VARIANT_FALSE);
    });
  }

  STDMETHODIMP UIHideStaticMessageDialog() override {
    return Run([&] { Remove(); });
  }

 private:
  void Show(const std::wstring& text, bool topmost, HWND owner, bool centered) {
    if (wnd_ && !IsWindow(wnd_)) wnd_ = nullptr;  // closed by someone else
    if (!wnd_) {
      int x = 40, y = 40;
      if (centered) {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        x = work.left + (work.right - work.left - kWidth) / 2;
        y = work.top + (work.bottom - work.top - kHeight) / 2;
      }
      wnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | (topmost ? WS_EX_TOPMOST : 0), L"STATIC",
                             text.c_str(), WS_POPUP | WS_BORDER | SS_CENTER | SS_NOPREFIX, x, y, kWidth, kHeight,
                             owner, nullptr, kz::ThisModule(), nullptr);
      // Without a desktop to show it on (a service, a machine without a display) there is no
      // window; the message is only progress information, so the caller goes on without it.
      if (!wnd_) return;
      SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
      ShowWindow(wnd_, SW_SHOWNOACTIVATE);
    } else {
      SetWindowTextW(wnd_, text.c_str());
      SetWindowPos(wnd_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    UpdateWindow(wnd_);
  }

  void Remove() {
    if (logged_) {
      logged_ = false;
      std::wstring log = UnattendedLogFile();
      if (!log.empty()) kz::AppendLine(log, L"hide\t" + std::wstring(ProgId()) + L"\t");
    }
    if (wnd_) {
      // A window can be destroyed only by its own thread; from any other, it is asked to close.
      if (IsWindow(wnd_) && !DestroyWindow(wnd_)) PostMessageW(wnd_, WM_CLOSE, 0, 0);
      wnd_ = nullptr;
    }
  }

  HWND wnd_ = nullptr;
  bool logged_ = false;  // a show was recorded in the unattended log and not yet removed
};

KZS_REGISTER_CLASS(WUIStatic);

}  // namespace kzs
