// Capture on the virtual display: a window of the test's own, painted in two known colours, is
// captured by each member and the picture's pixels are read back; printing is checked against
// a printer stand-in that records the geometry it is given.
#include <cmath>
#include <string>
#include <vector>

#include <olectl.h>

#include "base/longhandle.h"
#include "com/ptr.h"
#include "imaging/clsKelzudWinCaptureA.h"
#include "../sysadmin/standins.h"
#include "testkit.h"

namespace {

using kz::Var;

constexpr COLORREF kLeft = RGB(200, 30, 60), kRight = RGB(20, 90, 220);
constexpr int kWidth = 160, kHeight = 100;

LRESULT CALLBACK PaintTwoColours(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    RECT left = r, right = r;
    left.right = right.left = r.right / 2;
    HBRUSH a = CreateSolidBrush(kLeft), b = CreateSolidBrush(kRight);
    FillRect(dc, &left, a);
    FillRect(dc, &right, b);
    DeleteObject(a);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, msg, w, l);
}

// A framed window whose client area is red on the left and blue on the right.
class PaintedWindow {
 public:
  PaintedWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintTwoColours;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KzCaptureTestWindow";
    RegisterClassW(&wc);
    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_TOPMOST);
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Kelzud capture test", WS_OVERLAPPEDWINDOW, 60, 70,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
    Settle();
  }
  ~PaintedWindow() {
    DestroyWindow(hwnd_);
    Settle();
  }
  HWND get() const { return hwnd_; }
  long handle() const {
    long h = 0;
    kz::LongFromHandle(hwnd_, &h);
    return h;
  }
  static void Settle() {
    for (int i = 0; i < 20; ++i) {
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
      Sleep(10);
    }
  }

 private:
  HWND hwnd_ = nullptr;
};

// The picture's bitmap read back as 32-bit pixels (0x00RRGGBB), with its size.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> px;
  COLORREF At(int x, int y) const {
    uint32_t p = px[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
  }
};

Pixels Read(IDispatch* picture) {
  Pixels out;
  kz::Ptr<IPicture> pic;
  if (!picture || FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(pic.out())))) return out;
  OLE_HANDLE handle = 0;
  pic->get_Handle(&handle);
  HBITMAP bmp = reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<int>(handle)));
  BITMAP info{};
  if (!GetObjectW(bmp, sizeof info, &info)) return out;
  out.width = info.bmWidth;
  out.height = info.bmHeight;
  out.px.resize(static_cast<size_t>(out.width) * out.height);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = out.width;
  bmi.bmiHeader.biHeight = -out.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bmp, 0, out.height, out.px.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return out;
}

OLE_HANDLE PaletteOf(IDispatch* picture) {
  kz::Ptr<IPicture> pic;
  OLE_HANDLE pal = 1;
  if (picture && SUCCEEDED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(pic.out())))) pic->get_hPal(&pal);
  return pal;
}

IDispatch* PictureOf(const kzt::CallResult& r) {
  return r.value.vt() == VT_DISPATCH ? r.value.get()->pdispVal : nullptr;
}

// A form in twips (15 to the pixel), as a client's form object answers.
kzt::Scripted* TwipsForm(HWND hwnd) {
  long handle = 0;
  kz::LongFromHandle(hwnd, &handle);
  RECT w, c;
  GetWindowRect(hwnd, &w);
  GetClientRect(hwnd, &c);
  auto scale = [](std::vector<VARIANT*>& a, VARIANT* r) {
    double v = kz::Deref(a[0]).get()->vt == VT_R8 ? kz::Deref(a[0]).get()->dblVal : kz::VarToLong(a[0]);
    long from = kz::VarToLong(a[1]), to = kz::VarToLong(a[2]);
    double pixels = from == 3 ? v : v / 15.0;
    r->vt = VT_R8;
    r->dblVal = to == 3 ? pixels : pixels * 15.0;
    return S_OK;
  };
  return kzt::Scripted::New()
      ->Value(L"hWnd", Var::Long(handle))
      ->Value(L"Width", Var::Long((w.right - w.left) * 15))
      ->Value(L"Height", Var::Long((w.bottom - w.top) * 15))
      ->Value(L"ScaleMode", Var::Short(1))
      ->Value(L"ScaleWidth", Var::Long(c.right * 15))
      ->Value(L"ScaleHeight", Var::Long(c.bottom * 15))
      ->On(L"ScaleX", scale)
      ->On(L"ScaleY", scale);
}

TEST(CaptureWindows, EachMemberCapturesTheRightAreaWithTheWindowsPixels) {
  PaintedWindow w;
  RECT wr;
  GetWindowRect(w.get(), &wr);
  POINT client_origin{0, 0};
  ClientToScreen(w.get(), &client_origin);
  const int frame_x = client_origin.x - wr.left, frame_y = client_origin.y - wr.top;
  auto cap = kzt::Create(L"Kelzud10.clsKelzudWinCaptureA");
  kzt::Held form(TwipsForm(w.get()));

  // The client area alone: its own size, left colour at its origin.
  Var f = form.AsVar();
  auto client = kzt::Call(cap.get(), L"CaptureClient", {f.get()}, DISPATCH_METHOD);
  ASSERT_EQ(client.error, 0) << kz::ToAnsi(client.description);
  Pixels c = Read(PictureOf(client));
  ASSERT_EQ(c.width, kWidth);
  ASSERT_EQ(c.height, kHeight);
  EXPECT_EQ(c.At(2, 2), kLeft);
  EXPECT_EQ(c.At(kWidth - 3, kHeight - 3), kRight);
  EXPECT_EQ(PaletteOf(PictureOf(client)), 0u) << "not a palette display";

  // The whole window, frame included, by form and by handle: the client colours sit inside
  // the frame.
  Var hv = Var::Long(w.handle());
  for (auto r : {kzt::Call(cap.get(), L"CaptureForm", {f.get()}, DISPATCH_METHOD),
                 kzt::Call(cap.get(), L"CaptureAnyWindow", {hv.get()}, DISPATCH_METHOD),
                 kzt::Call(cap.get(), L"CaptureActiveWindow", {}, DISPATCH_METHOD)}) {
    ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
    Pixels p = Read(PictureOf(r));
    ASSERT_EQ(p.width, wr.right - wr.left);
    ASSERT_EQ(p.height, wr.bottom - wr.top);
    EXPECT_EQ(p.At(frame_x + 2, frame_y + 2), kLeft);
    EXPECT_EQ(p.At(frame_x + kWidth - 3, frame_y + kHeight - 3), kRight);
    if (frame_y > 0) {
      EXPECT_NE(p.At(frame_x + 2, 0), kLeft) << "the frame is part of the picture";
    }
  }

  // The screen: its full size, with the window where it is.
  auto screen = kzt::Call(cap.get(), L"CaptureScreen", {}, DISPATCH_METHOD);
  ASSERT_EQ(screen.error, 0);
  Pixels s = Read(PictureOf(screen));
  EXPECT_EQ(s.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(s.height, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(s.At(client_origin.x + 2, client_origin.y + 2), kLeft);
  EXPECT_EQ(s.At(client_origin.x + kWidth - 3, client_origin.y + 3), kRight);

  // A rectangle of the client area, offset: the right half only.
  Var hw = Var::Long(w.handle()), yes = Var::Bool(true), left = Var::Long(kWidth / 2), top = Var::Long(0),
      width = Var::Long(kWidth / 2), height = Var::Long(10);
  auto part = kzt::Call(cap.get(), L"CaptureWindow", {hw.get(), yes.get(), left.get(), top.get(), width.get(), height.get()},
                        DISPATCH_METHOD);
  Pixels pr = Read(PictureOf(part));
  ASSERT_EQ(pr.width, kWidth / 2);
  EXPECT_EQ(pr.At(0, 0), kRight);
}

TEST(CaptureWindows, NoWindowGivesAPictureWithoutErrorAndThePictureOwnsItsBitmap) {
  auto cap = kzt::Create(L"Kelzud10.clsKelzudWinCaptureA");
  PaintedWindow w;
  Var gone = Var::Long(0x7777), h = Var::Long(w.handle());
  auto r = kzt::Call(cap.get(), L"CaptureAnyWindow", {gone.get()}, DISPATCH_METHOD);
  EXPECT_EQ(r.error, 0);
  for (int i = 0; i < 20; ++i) {
    HGDIOBJ bitmap = nullptr;
    {
      auto pic = kzt::Call(cap.get(), L"CaptureAnyWindow", {h.get()}, DISPATCH_METHOD);
      kz::Ptr<IPicture> p;
      ASSERT_HRESULT_SUCCEEDED(PictureOf(pic)->QueryInterface(IID_IPicture, reinterpret_cast<void**>(p.out())));
      OLE_HANDLE handle = 0;
      p->get_Handle(&handle);
      bitmap = reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(static_cast<int>(handle)));
      ASSERT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    }
    // The last reference is gone: so is the bitmap, and the memory context made for it.
    EXPECT_EQ(GetObjectType(bitmap), 0u);
  }

  Var nothing = Var::Object(nullptr);
  EXPECT_EQ(kzt::Call(cap.get(), L"CaptureForm", {nothing.get()}, DISPATCH_METHOD).error, 91);
  kzt::Held no_hwnd(kzt::Scripted::New()->Value(L"Width", Var::Long(100)));
  Var nh = no_hwnd.AsVar();
  EXPECT_EQ(kzt::Call(cap.get(), L"CaptureClient", {nh.get()}, DISPATCH_METHOD).error, 438);
}

// A printer stand-in with a printable area of `width` x `height` in twips; ScaleX/ScaleY
// convert between twips (1) and HIMETRIC (8).
struct Printer {
  double width, height;
  short orientation = 0;
  std::vector<double> painted;
  kzt::Held obj{kzt::Scripted::New()};
  explicit Printer(double w, double h) : width(w), height(h) {
    auto scale = [](std::vector<VARIANT*>& a, VARIANT* r) {
      Var v;
      VariantChangeType(v.get(), a[0], 0, VT_R8);
      long from = kz::VarToLong(a[1]), to = kz::VarToLong(a[2]);
      double x = v.get()->dblVal;
      if (from == 1 && to == 8) x = x * 2540.0 / 1440.0;
      else if (from == 8 && to == 1) x = x * 1440.0 / 2540.0;
      r->vt = VT_R8;
      r->dblVal = x;
      return S_OK;
    };
    obj.get()
        ->Value(L"ScaleMode", Var::Short(1))
        ->On(L"ScaleWidth", [this](std::vector<VARIANT*>&, VARIANT* r) { r->vt = VT_R8; r->dblVal = width; return S_OK; })
        ->On(L"ScaleHeight", [this](std::vector<VARIANT*>&, VARIANT* r) { r->vt = VT_R8; r->dblVal = height; return S_OK; })
        ->On(L"ScaleX", scale)
        ->On(L"ScaleY", scale)
        ->On(L"Orientation", [this](std::vector<VARIANT*>& a, VARIANT*) {
          orientation = static_cast<short>(kz::VarToLong(a[0]));
          return S_OK;
        })
        ->On(L"PaintPicture", [this](std::vector<VARIANT*>& a, VARIANT*) {
          painted.clear();
          for (size_t i = 1; i < a.size(); ++i) {
            Var v;
            VariantChangeType(v.get(), a[i], 0, VT_R8);
            painted.push_back(v.get()->dblVal);
          }
          return S_OK;
        });
  }
};

// A real picture of w x h pixels (the Pic argument is typed as a picture, so a stand-in would
// not pass); its Width and Height are in HIMETRIC.
kz::Ptr<IDispatch> MakePicture(int w, int h) {
  kz::Ptr<IDispatch> pic;
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  HDC screen = GetDC(nullptr);
  desc.bmp.hbitmap = w > 0 ? CreateCompatibleBitmap(screen, w, h) : nullptr;
  ReleaseDC(nullptr, screen);
  if (!w) desc.picType = PICTYPE_NONE;
  OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, reinterpret_cast<void**>(pic.out()));
  return pic;
}

TEST(CapturePrinting, ThePictureFillsWhatItsShapeAllowsAndTurnsThePage) {
  struct Case {
    int pic_w, pic_h;  // pixels
    double page_w, page_h;
    short orientation;
    double out_w, out_h;  // twips
  } cases[] = {
      {100, 200, 1440, 1440, 1, 720, 1440},   // taller: portrait, full height
      {150, 150, 1440, 2880, 1, 1440, 1440},  // square: portrait, full width
      {200, 100, 1440, 1440, 2, 1440, 720},   // twice as wide on a square page: full width, half height
      {300, 200, 2160, 1440, 2, 2160, 1440},  // the page's own ratio: fills both
  };
  auto cap = kzt::Create(L"Kelzud10.clsKelzudWinCaptureA");
  for (const Case& c : cases) {
    Printer prn(c.page_w, c.page_h);
    kz::Ptr<IDispatch> pic = MakePicture(c.pic_w, c.pic_h);
    ASSERT_TRUE(pic);
    Var p = prn.obj.AsVar(), q = Var::Object(pic.get());
    auto r = kzt::Call(cap.get(), L"PrintPictureToFitPage", {p.get(), q.get()}, DISPATCH_METHOD);
    ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
    EXPECT_EQ(prn.orientation, c.orientation) << c.pic_w << "x" << c.pic_h;
    ASSERT_EQ(prn.painted.size(), 4u);
    EXPECT_EQ(prn.painted[0], 0);
    EXPECT_EQ(prn.painted[1], 0);
    EXPECT_NEAR(prn.painted[2], c.out_w, 1e-6) << c.pic_w << "x" << c.pic_h;
    EXPECT_NEAR(prn.painted[3], c.out_h, 1e-6) << c.pic_w << "x" << c.pic_h;
  }

  // An empty picture has no shape: 0 / 0 overflows before anything is painted.
  Printer prn(1440, 1440);
  kz::Ptr<IDispatch> empty = MakePicture(0, 0);
  ASSERT_TRUE(empty);
  Var p = prn.obj.AsVar(), q = Var::Object(empty.get());
  EXPECT_EQ(kzt::Call(cap.get(), L"PrintPictureToFitPage", {p.get(), q.get()}, DISPATCH_METHOD).error, 6);
  EXPECT_TRUE(prn.painted.empty());

  // A printer without PaintPicture, and an argument that is not a picture.
  kzt::Held no_paint(kzt::Scripted::New()->Value(L"ScaleMode", Var::Short(1))->On(L"Orientation", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; }));
  kz::Ptr<IDispatch> pic = MakePicture(10, 10);
  Var np = no_paint.AsVar(), pq = Var::Object(pic.get());
  EXPECT_EQ(kzt::Call(cap.get(), L"PrintPictureToFitPage", {np.get(), pq.get()}, DISPATCH_METHOD).error, 438);
  kzt::Held not_a_picture(kzt::Scripted::New()->Value(L"Width", Var::Long(10)));
  Var nq = not_a_picture.AsVar(), pp = prn.obj.AsVar();
  EXPECT_EQ(kzt::Call(cap.get(), L"PrintPictureToFitPage", {pp.get(), nq.get()}, DISPATCH_METHOD).error, 13);
}

}  // namespace
