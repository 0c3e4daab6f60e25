// The topmost helper on a virtual display: a real window of the test's own is made topmost
// through the form object's hWnd and keeps its place and size.
#include <string>

#include "base/longhandle.h"
#include "com/ptr.h"
#include "frame/catalogue.h"
#include "sysadmin/clsKelzudWinOnTopA.h"
#include "../sysadmin/standins.h"
#include "testkit.h"

namespace {

using kz::Var;

class TestWindow {
 public:
  TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KzOnTopTestWindow";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"Kelzud on-top test", WS_OVERLAPPEDWINDOW, 40, 50, 320, 200,
                            nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    Pump();
  }
  ~TestWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    Pump();
  }
  HWND get() const { return hwnd_; }
  static void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }

 private:
  HWND hwnd_ = nullptr;
};

bool Topmost(HWND h) { return (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

TEST(WinOnTopWindows, TheFormBecomesTopmostAndKeepsItsPlaceAndSize) {
  TestWindow w;
  ASSERT_NE(w.get(), nullptr);
  ASSERT_FALSE(Topmost(w.get()));
  RECT before{}, after{};
  GetWindowRect(w.get(), &before);
  long handle = 0;
  ASSERT_TRUE(kz::LongFromHandle(w.get(), &handle));
  kzt::Held form(kzt::Scripted::New()->Value(L"hWnd", Var::Long(handle)));

  kz::Ptr<IDispatch> on_top;
  ASSERT_HRESULT_SUCCEEDED(kz::CreateInstance(L"clsKelzudWinOnTopA", IID_IDispatch, reinterpret_cast<void**>(on_top.out())));
  Var f = form.AsVar();
  kzt::CallResult r = kzt::Call(on_top.get(), L"PutWindowOnTop", {f.get()});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  TestWindow::Pump();
  EXPECT_TRUE(Topmost(w.get()));
  GetWindowRect(w.get(), &after);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
  EXPECT_EQ(before.right - before.left, after.right - after.left);
  EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
  ASSERT_EQ(form->calls().size(), 1u);
  EXPECT_EQ(form->calls()[0].name, L"hWnd");
}

TEST(WinOnTopWindows, AnotherWindowIsLeftAsItWas) {
  TestWindow target, other;
  long handle = 0;
  ASSERT_TRUE(kz::LongFromHandle(target.get(), &handle));
  kzt::Held form(kzt::Scripted::New()->Value(L"hWnd", Var::Long(handle)));
  kz::KelzudWinOnTopA::PutOnTop(form.get());
  TestWindow::Pump();
  EXPECT_TRUE(Topmost(target.get()));
  EXPECT_FALSE(Topmost(other.get()));
}

}  // namespace
