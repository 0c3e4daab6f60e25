// Window and screen capture into a Picture, and printing a Picture to fit a printer's page.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class KelzudWinCaptureA : public ComObject<KelzudWinCaptureA, _clsKelzudWinCaptureA> {
  KZ_CLASS(clsKelzudWinCaptureA)
 public:
  STDMETHODIMP CreateBitmapPicture(long* hBmp, long* hPal, IPictureDisp** ret) override;
  STDMETHODIMP CaptureWindow(long* hWndSrc, VARIANT_BOOL* Client, long* LeftSrc, long* TopSrc, long* WidthSrc,
                             long* HeightSrc, IPictureDisp** ret) override;
  STDMETHODIMP CaptureScreen(IPictureDisp** ret) override;
  STDMETHODIMP CaptureForm(IDispatch** frmSrc, IPictureDisp** ret) override;
  STDMETHODIMP CaptureClient(IDispatch** frmSrc, IPictureDisp** ret) override;
  STDMETHODIMP CaptureAnyWindow(long* lHandle, IPictureDisp** ret) override;
  STDMETHODIMP CaptureActiveWindow(IPictureDisp** ret) override;
  STDMETHODIMP PrintPictureToFitPage(IDispatch** Prn, IPictureDisp** Pic) override;

  // A picture that owns `bitmap` and `palette`; null when the factory fails (the handles then
  // stay the caller's).
  static IPictureDisp* BitmapPicture(HBITMAP bitmap, HPALETTE palette);
  // The rectangle (left, top, width, height) of the window's whole area, or of its client
  // area, copied into a new picture.
  static IPictureDisp* Capture(HWND window, bool client, long left, long top, long width, long height);
  // The window rectangle's size; error 6 when a difference does not fit 32 bits.
  static void WindowSize(HWND window, long* width, long* height);
  // Sets the printer's orientation and paints the picture over as much of the printable area
  // as its shape allows.
  static void PrintToFit(IDispatch* printer, IDispatch* picture);
};

}  // namespace kz
