#include "imaging/clsKelzudWinCaptureA.h"

#include <olectl.h>

#include "base/longhandle.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "platform/screen.h"

namespace kz {
namespace {

constexpr int kRasterPalette = 0x100;  // RC_PALETTE

double Number(const Var& v) {
  Var d;
  if (FAILED(VariantChangeType(d.get(), const_cast<VARIANT*>(v.get()), 0, VT_R8))) Raise(kErrTypeMismatch);
  return d.get()->dblVal;
}

// A run-time Double division: 0/0 overflows, anything else over 0 is a division by zero.
double Divide(double a, double b) {
  if (b == 0) Raise(a == 0 ? kErrOverflow : 11);
  return a / b;
}

// A form's or printer's ScaleX/ScaleY, converting `value` between two scale modes.
Var Scale(IDispatch* obj, const wchar_t* member, const Var& value, const Var& from, const Var& to) {
  return CallByName(obj, member, DISPATCH_METHOD, std::vector<Var>{value, from, to});
}

long ToLong(const Var& v) { return VarToLong(v.get()); }

IDispatch* Required(IDispatch** p) {
  if (!p || !*p) Raise(kErrObjectNotSet);
  return *p;
}

HRESULT Out(IPictureDisp** ret, IPictureDisp* pic) {
  if (!ret) {
    if (pic) pic->Release();
    return E_POINTER;
  }
  *ret = pic;
  return S_OK;
}

}  // namespace

IPictureDisp* KelzudWinCaptureA::BitmapPicture(HBITMAP bitmap, HPALETTE palette) {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bitmap;
  desc.bmp.hpal = palette;
  IDispatch* d = nullptr;
  if (FAILED(OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, reinterpret_cast<void**>(&d))) || !d)
    return nullptr;
  IPictureDisp* pic = nullptr;
  d->QueryInterface(IID_IPictureDisp, reinterpret_cast<void**>(&pic));
  d->Release();
  return pic;
}

IPictureDisp* KelzudWinCaptureA::Capture(HWND window, bool client, long left, long top, long width, long height) {
  HDC source = client ? GetDC(window) : GetWindowDC(window);
  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
  HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
  bool palette_display = (GetDeviceCaps(source, RASTERCAPS) & kRasterPalette) && GetDeviceCaps(source, SIZEPALETTE) == 256;
  HPALETTE palette = nullptr, old_palette = nullptr;
  if (palette_display) {
    struct {
      LOGPALETTE head;
      PALETTEENTRY more[255];
    } log{};
    log.head.palVersion = 0x300;
    log.head.palNumEntries = 256;
    GetSystemPaletteEntries(source, 0, 256, log.head.palPalEntry);
    palette = CreatePalette(&log.head);
    old_palette = SelectPalette(memory, palette, FALSE);
    RealizePalette(memory);
  }
  BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY);
  SelectObject(memory, old_bitmap);
  if (palette_display) SelectPalette(memory, old_palette, FALSE);
  DeleteDC(memory);
  ReleaseDC(window, source);
  IPictureDisp* pic = BitmapPicture(bitmap, palette);
  if (!pic) {
    // Nobody took the handles: they must not outlive the failed capture.
    if (bitmap) DeleteObject(bitmap);
    if (palette) DeleteObject(palette);
  }
  return pic;
}

void KelzudWinCaptureA::WindowSize(HWND window, long* width, long* height) {
  RECT r{};
  GetWindowRect(window, &r);
  long long w = static_cast<long long>(r.right) - r.left, h = static_cast<long long>(r.bottom) - r.top;
  if (w < INT32_MIN || w > INT32_MAX || h < INT32_MIN || h > INT32_MAX) Raise(kErrOverflow);
  *width = static_cast<long>(w);
  *height = static_cast<long>(h);
}

void KelzudWinCaptureA::PrintToFit(IDispatch* printer, IDispatch* picture) {
  const Var himetric = Var::Short(8);
  double pic_width = Number(GetProp(picture, L"Width"));
  double pic_height = Number(GetProp(picture, L"Height"));
  PutProp(printer, L"Orientation", Var::Short(pic_height < pic_width ? 2 : 1));
  double pic_ratio = Divide(pic_width, pic_height);
  Var mode = GetProp(printer, L"ScaleMode");
  double print_width = Number(Scale(printer, L"ScaleX", GetProp(printer, L"ScaleWidth"), mode, himetric));
  double print_height = Number(Scale(printer, L"ScaleY", GetProp(printer, L"ScaleHeight"), mode, himetric));
  double print_ratio = Divide(print_width, print_height);
  double out_width, out_height;
  if (pic_ratio >= print_ratio) {
    out_width = print_width;
    out_height = Divide(print_width, pic_ratio);
  } else {
    out_height = print_height;
    out_width = print_height * pic_ratio;
  }
  Var w = Scale(printer, L"ScaleX", Var::Double(out_width), himetric, mode);
  Var h = Scale(printer, L"ScaleY", Var::Double(out_height), himetric, mode);
  CallByName(printer, L"PaintPicture", DISPATCH_METHOD,
             std::vector<Var>{Var::Object(picture), Var::Long(0), Var::Long(0), w, h});
}

STDMETHODIMP KelzudWinCaptureA::CreateBitmapPicture(long* hBmp, long* hPal, IPictureDisp** ret) {
  return Out(ret, BitmapPicture(HandleFromLong<HBITMAP>(hBmp ? *hBmp : 0), HandleFromLong<HPALETTE>(hPal ? *hPal : 0)));
}

STDMETHODIMP KelzudWinCaptureA::CaptureWindow(long* hWndSrc, VARIANT_BOOL* Client, long* LeftSrc, long* TopSrc,
                                              long* WidthSrc, long* HeightSrc, IPictureDisp** ret) {
  return Out(ret, Capture(HandleFromLong<HWND>(hWndSrc ? *hWndSrc : 0), Client && *Client, LeftSrc ? *LeftSrc : 0,
                          TopSrc ? *TopSrc : 0, WidthSrc ? *WidthSrc : 0, HeightSrc ? *HeightSrc : 0));
}

STDMETHODIMP KelzudWinCaptureA::CaptureScreen(IPictureDisp** ret) {
  IPictureDisp* pic = nullptr;
  HRESULT hr = Guard([&] {
    ScreenMetrics m = Seam<Screen>().Metrics();
    // Whole numbers on both sides of the division, as an integer division rounds them.
    long width = VarToLong(Var::Double(m.width_twips).get()) / VarToLong(Var::Double(m.twips_per_pixel_x).get());
    long height = VarToLong(Var::Double(m.height_twips).get()) / VarToLong(Var::Double(m.twips_per_pixel_y).get());
    pic = Capture(GetDesktopWindow(), false, 0, 0, width, height);
  });
  if (FAILED(hr)) return hr;
  return Out(ret, pic);
}

STDMETHODIMP KelzudWinCaptureA::CaptureForm(IDispatch** frmSrc, IPictureDisp** ret) {
  IPictureDisp* pic = nullptr;
  HRESULT hr = Guard([&] {
    IDispatch* form = Required(frmSrc);
    const Var twips = Var::Short(1), pixels = Var::Short(3);
    long hwnd = ToLong(GetProp(form, L"hWnd"));
    long width = ToLong(Scale(form, L"ScaleX", GetProp(form, L"Width"), twips, pixels));
    long height = ToLong(Scale(form, L"ScaleY", GetProp(form, L"Height"), twips, pixels));
    pic = Capture(HandleFromLong<HWND>(hwnd), false, 0, 0, width, height);
  });
  if (FAILED(hr)) return hr;
  return Out(ret, pic);
}

STDMETHODIMP KelzudWinCaptureA::CaptureClient(IDispatch** frmSrc, IPictureDisp** ret) {
  IPictureDisp* pic = nullptr;
  HRESULT hr = Guard([&] {
    IDispatch* form = Required(frmSrc);
    const Var pixels = Var::Short(3);
    long hwnd = ToLong(GetProp(form, L"hWnd"));
    Var mode = GetProp(form, L"ScaleMode");
    long width = ToLong(Scale(form, L"ScaleX", GetProp(form, L"ScaleWidth"), mode, pixels));
    long height = ToLong(Scale(form, L"ScaleY", GetProp(form, L"ScaleHeight"), mode, pixels));
    pic = Capture(HandleFromLong<HWND>(hwnd), true, 0, 0, width, height);
  });
  if (FAILED(hr)) return hr;
  return Out(ret, pic);
}

STDMETHODIMP KelzudWinCaptureA::CaptureAnyWindow(long* lHandle, IPictureDisp** ret) {
  IPictureDisp* pic = nullptr;
  HRESULT hr = Guard([&] {
    HWND window = HandleFromLong<HWND>(lHandle ? *lHandle : 0);
    long width = 0, height = 0;
    WindowSize(window, &width, &height);
    pic = Capture(window, false, 0, 0, width, height);
  });
  if (FAILED(hr)) return hr;
  return Out(ret, pic);
}

STDMETHODIMP KelzudWinCaptureA::CaptureActiveWindow(IPictureDisp** ret) {
  IPictureDisp* pic = nullptr;
  HRESULT hr = Guard([&] {
    HWND window = GetForegroundWindow();
    long width = 0, height = 0;
    WindowSize(window, &width, &height);
    pic = Capture(window, false, 0, 0, width, height);
  });
  if (FAILED(hr)) return hr;
  return Out(ret, pic);
}

STDMETHODIMP KelzudWinCaptureA::PrintPictureToFitPage(IDispatch** Prn, IPictureDisp** Pic) {
  return Guard([&] {
    IDispatch* printer = Required(Prn);
    if (!Pic || !*Pic) Raise(kErrObjectNotSet);
    PrintToFit(printer, *Pic);
  });
}

KZ_REGISTER_CLASS(KelzudWinCaptureA);

}  // namespace kz
