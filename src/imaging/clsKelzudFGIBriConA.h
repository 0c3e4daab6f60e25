// Colour functions for callers that work pixel by pixel, plus brightness over a whole drawing
// surface, contrast of one pixel and the shell's property sheet for a file.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

// The pixel arithmetic, callable from C++ without the COM boundary. Failures raise Error
// (6 for a 16-bit overflow, 5 for a negative channel given to PixToLong).
namespace pixels {

short Round16(double v);  // nearest, ties to even; 6 outside the 16-bit range or for NaN
short Add16(int a, int b);
short Sub16(int a, int b);

inline short CheckHighByte(short v) { return v > 255 ? 255 : v; }
inline short CheckLowByte(short v) { return v < 0 ? 0 : v; }
inline short CheckByte(short v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline short MaxB(short a, short b) { return a > b ? a : b; }
inline short MinB(short a, short b) { return a < b ? a : b; }
short LinearB(short a, short b, float pos);

Pixel NewPixel(short red, short green, short blue);
long PixToLong(const Pixel& p);
Pixel LongToPix(long colour);
short GetGreyPix(const Pixel& p);
Pixel InvertPix(const Pixel& p);
bool SameCol(const Pixel& a, const Pixel& b);
Pixel LightenPix(const Pixel& p, short amount);
Pixel DarkenPix(const Pixel& p, short amount);

enum class Blend { Add, Sub, Light, Dark, Diff, Scrn, Excl };
short BlendChannel(Blend mode, short a, short b);
Pixel BlendPix(Blend mode, const Pixel& a, const Pixel& b);
Pixel TransPix(const Pixel& a, const Pixel& b, float amount);
// The blend of a and b mixed back towards b by amount.
Pixel TransBlendPix(Blend mode, const Pixel& a, const Pixel& b, float amount);
// Moves the channels of p (red, blue, green in turn, each written back before the next)
// towards the middle by amount; on overflow p keeps the channels already changed.
void Contrast(Pixel& p, short amount);

}  // namespace pixels

// Adds val to every channel of every pixel in columns 0..width and rows 0..height of the
// surface behind dc, each channel limited to 0..255. Works a band of rows at a time through a
// 32-bit DIB section; pixels outside the surface are left alone. False when nothing could
// be read.
bool BrightenSurface(HDC dc, long width, long height, int val);

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
