// Colour functions for callers that work pixel by pixel, plus brightness over a whole drawing
// surface, contrast of one pixel and the shell's property sheet for a file.
#pragma once
#include <cmath>
#include <initializer_list>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

// The pixel arithmetic, callable from C++ without the COM boundary and inline, so that a loop
// over pixels costs about what the arithmetic written out would. Failures raise Error (6 for a
// 16-bit overflow, 5 for a negative channel given to PixToLong).
namespace pixels {

// Out of line and cold, so that the inline functions below stay small enough to vanish into a
// caller's loop.
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseInvalidCall();

inline short Fit16(long long v) {
  if (__builtin_expect(v < -32768 || v > 32767, 0)) RaiseOverflow();
  return static_cast<short>(v);
}
// nearbyint rounds half to even in the default rounding mode; 6 outside the 16-bit range or
// for NaN.
inline short Round16(double v) {
  if (!(v > -32768.5 && v < 32767.5)) RaiseOverflow();
  return static_cast<short>(std::nearbyint(v));
}
inline short Add16(int a, int b) { return Fit16(static_cast<long long>(a) + b); }
inline short Sub16(int a, int b) { return Fit16(static_cast<long long>(a) - b); }

inline short CheckHighByte(short v) { return v > 255 ? 255 : v; }
inline short CheckLowByte(short v) { return v < 0 ? 0 : v; }
inline short CheckByte(short v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline short MaxB(short a, short b) { return a > b ? a : b; }
inline short MinB(short a, short b) { return a < b ? a : b; }
inline short LinearB(short a, short b, float pos) {
  double p = pos;
  return Round16((1.0 - p) * a + p * b);
}

inline Pixel NewPixel(short red, short green, short blue) {
  Pixel p;
  p.blue = blue;
  p.green = green;
  p.red = red;
  p.Trans = 0;
  return p;
}
// A negative channel has no place in a colour; refusing it keeps a wrong colour from passing
// as a real one.
inline long PixToLong(const Pixel& p) {
  if (p.red < 0 || p.green < 0 || p.blue < 0) RaiseInvalidCall();
  return CheckHighByte(p.red) + 256L * CheckHighByte(p.green) + 65536L * CheckHighByte(p.blue);
}
inline Pixel LongToPix(long colour) {
  return NewPixel(static_cast<short>(colour & 255), static_cast<short>((colour / 256) & 255),
                  static_cast<short>((colour / 65536) & 255));
}
inline short GetGreyPix(const Pixel& p) {
  return Round16(0.222 * p.red + 0.707 * p.green + 0.071 * p.blue);
}
inline bool SameCol(const Pixel& a, const Pixel& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Applies f to red, green and blue in that order; an error leaves no partial result.
template <class F>
inline Pixel PerChannel(const Pixel& a, const Pixel& b, F f) {
  short red = f(a.red, b.red);
  short green = f(a.green, b.green);
  short blue = f(a.blue, b.blue);
  return NewPixel(red, green, blue);
}

inline Pixel InvertPix(const Pixel& p) {
  return PerChannel(p, p, [](short c, short) { return Sub16(255, c); });
}
inline Pixel LightenPix(const Pixel& p, short amount) {
  return PerChannel(p, p, [amount](short c, short) { return CheckHighByte(Add16(c, amount)); });
}
inline Pixel DarkenPix(const Pixel& p, short amount) {
  return PerChannel(p, p, [amount](short c, short) { return CheckLowByte(Sub16(c, amount)); });
}

enum class Blend { Add, Sub, Light, Dark, Diff, Scrn, Excl };
inline short BlendChannel(Blend mode, short a, short b) {
  switch (mode) {
    case Blend::Add: return CheckHighByte(Add16(a, b));
    case Blend::Sub: return CheckLowByte(Sub16(a, b));
    case Blend::Light: return MaxB(a, b);
    case Blend::Dark: return MinB(a, b);
    case Blend::Diff: {
      short d = Sub16(a, b);
      return Fit16(d < 0 ? -static_cast<long long>(d) : d);
    }
    case Blend::Scrn: return CheckHighByte(Round16((b / 255.0 + 1.0) * a));
    case Blend::Excl: return LinearB(a, Sub16(255, a), static_cast<float>(b / 255.0));
  }
  RaiseInvalidCall();
}
inline Pixel BlendPix(Blend mode, const Pixel& a, const Pixel& b) {
  return PerChannel(a, b, [mode](short x, short y) { return BlendChannel(mode, x, y); });
}
inline Pixel TransPix(const Pixel& a, const Pixel& b, float amount) {
  return PerChannel(a, b, [amount](short x, short y) { return LinearB(x, y, amount); });
}
// The blend of a and b mixed back towards b by amount.
inline Pixel TransBlendPix(Blend mode, const Pixel& a, const Pixel& b, float amount) {
  return TransPix(BlendPix(mode, a, b), b, amount);
}
// Moves the channels of p (red, blue, green in turn, each written back before the next)
// towards the middle by amount; on overflow p keeps the channels already changed.
inline void Contrast(Pixel& p, short amount) {
  for (short* c : {&p.red, &p.blue, &p.green}) {
    *c = *c >= 128 ? CheckHighByte(Sub16(*c, amount)) : CheckLowByte(Add16(*c, amount));
  }
}

}  // namespace pixels

// Adds val to every channel of every pixel in columns 0..width and rows 0..height of the
// surface behind dc, each channel limited to 0..255. A 32-bit DIB section is changed in its own
// memory; any other surface a band of rows at a time through a DIB section of ours. Pixels
// outside the surface are left alone. False when nothing could be read.
bool BrightenSurface(HDC dc, long width, long height, int val);
// The same for the columns first_x to last_x only.
bool BrightenColumns(HDC dc, long first_x, long last_x, long last_y, int val);

class KelzudFGIBriConA : public ComObject<KelzudFGIBriConA, _clsKelzudFGIBriConA> {
  KZ_CLASS(clsKelzudFGIBriConA)
 public:
  STDMETHODIMP NewPixel(short* inRed, short* inGreen, short* inBlue, Pixel* ret) override;
  STDMETHODIMP PixToLong(Pixel* inPix, long* ret) override;
  STDMETHODIMP LongToPix(long* inCol, Pixel* ret) override;
  STDMETHODIMP GreyscalePix(short* inVal, Pixel* ret) override;
  STDMETHODIMP GetGreyPix(Pixel* inPix, short* ret) override;
  STDMETHODIMP InvertPix(Pixel* inPix, Pixel* ret) override;
  STDMETHODIMP SameCol(Pixel* inPixA, Pixel* inPixB, VARIANT_BOOL* ret) override;
  STDMETHODIMP CheckHighByte(short* inVal, short* ret) override;
  STDMETHODIMP CheckLowByte(short* inVal, short* ret) override;
  STDMETHODIMP CheckByte(short* inVal, short* ret) override;
  STDMETHODIMP MaxB(short* inValA, short* inValB, short* ret) override;
  STDMETHODIMP MinB(short* inValA, short* inValB, short* ret) override;
  STDMETHODIMP LinearB(short* inValA, short* inValB, float* inPos, short* ret) override;
  STDMETHODIMP LightenPix(Pixel* inCol, short* inAmt, Pixel* ret) override;
  STDMETHODIMP DarkenPix(Pixel* inCol, short* inAmt, Pixel* ret) override;
  STDMETHODIMP BlendAdd(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP BlendSub(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP BlendLight(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP BlendDark(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP BlendDiff(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP BlendScrn(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP BlendExcl(Pixel* inPixA, Pixel* inPixB, Pixel* ret) override;
  STDMETHODIMP TransPix(Pixel* PixA, Pixel* PixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransAddPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransSubPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransLightPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransDarkPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransDiffPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransScrnPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP TransExclPix(Pixel* inPixA, Pixel* inPixB, float* inAmt, Pixel* ret) override;
  STDMETHODIMP Bright(short* val, IDispatch** oPic) override;
  STDMETHODIMP Contrast(Pixel* pix, short* iAmnt, Pixel* ret) override;
  STDMETHODIMP ShowProps(BSTR* FileName, long* OwnerhWnd) override;

  // Bright on a late-bound surface: never raises; a surface without the members is unchanged.
  static void BrightObject(int val, IDispatch* surface);
};

}  // namespace kz
