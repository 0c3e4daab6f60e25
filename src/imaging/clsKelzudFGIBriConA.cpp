#include "imaging/clsKelzudFGIBriConA.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <shellapi.h>

#include "base/longhandle.h"
#include "base/owner.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "platform/ui.h"

namespace kz {
namespace pixels {

void RaiseOverflow() { Raise(kErrOverflow); }
void RaiseInvalidCall() { Raise(kErrInvalidCall); }

}  // namespace pixels

namespace {

// Each of the three colour bytes of every pixel gets val added and is limited to 0..255;
// the fourth byte becomes 0, as a pixel written by colour reference has it.
void BrightenRow(uint32_t* px, size_t n, int val) {
  size_t i = 0;
#ifdef __SSE2__
  uint8_t amount = static_cast<uint8_t>(val > 255 ? 255 : (val < -255 ? 255 : (val < 0 ? -val : val)));
  const __m128i step = _mm_set1_epi32(static_cast<int>(amount * 0x010101u));
  const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
  if (val >= 0) {
    for (; i + 4 <= n; i += 4) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i*>(px + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(px + i), _mm_and_si128(_mm_adds_epu8(v, step), mask));
    }
  } else {
    for (; i + 4 <= n; i += 4) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i*>(px + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(px + i), _mm_and_si128(_mm_subs_epu8(v, step), mask));
    }
  }
#endif
  for (; i < n; ++i) {
    uint32_t p = px[i], out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      int c = static_cast<int>((p >> shift) & 255) + val;
      c = c < 0 ? 0 : (c > 255 ? 255 : c);
      out |= static_cast<uint32_t>(c) << shift;
    }
    px[i] = out;
  }
}

// A surface that is a 32-bit DIB section drawn on 1:1 with a rectangular clip is changed in
// its own memory, one pass with no copies. Anything else (device bitmaps, other depths, a
// mapping or a clip region GDI must apply) answers false and takes the copying path.
bool BrightenInPlace(HDC dc, long x0, long y0, long x1, long y1, int val) {
  RECT clip;
  if (GetClipBox(dc, &clip) != SIMPLEREGION) return false;
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  DIBSECTION ds;
  if (!bitmap || GetObjectW(bitmap, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return false;
  if (ds.dsBm.bmBitsPixel != 32) return false;
  if (ds.dsBmih.biCompression == BI_BITFIELDS) {
    if (ds.dsBitfields[0] != 0xFF0000 || ds.dsBitfields[1] != 0xFF00 || ds.dsBitfields[2] != 0xFF) return false;
  } else if (ds.dsBmih.biCompression != BI_RGB) {
    return false;
  }
  POINT probe[3] = {{0, 0}, {1, 0}, {0, 1}};
  if (!LPtoDP(dc, probe, 3) || probe[0].x != 0 || probe[0].y != 0 || probe[1].x != 1 ||
      probe[1].y != 0 || probe[2].x != 0 || probe[2].y != 1)
    return false;
  long height = ds.dsBm.bmHeight;
  if (x1 > ds.dsBm.bmWidth) x1 = ds.dsBm.bmWidth;
  if (y1 > height) y1 = height;
  GdiFlush();  // drawing GDI has batched must land before the memory is read
  auto* base = static_cast<uint8_t*>(ds.dsBm.bmBits);
  size_t stride = static_cast<size_t>(ds.dsBm.bmWidthBytes);
  // The reported header does not say reliably which way up the rows are stored (Wine gives
  // a positive height for top-down sections), so ask GDI: mark the first pixel's two
  // possible places in memory differently, read the pixel, and put both back.
  bool top_down = true;
  auto* as_top = reinterpret_cast<uint32_t*>(base + y0 * stride) + x0;
  auto* as_bottom = reinterpret_cast<uint32_t*>(base + (height - 1 - y0) * stride) + x0;
  if (as_top != as_bottom) {
    uint32_t keep_top = *as_top, keep_bottom = *as_bottom;
    *as_top = 0;
    *as_bottom = 0xFFFFFF;
    COLORREF seen = GetPixel(dc, x0, y0);
    *as_top = keep_top;
    *as_bottom = keep_bottom;
    if (seen == 0) top_down = true;
    else if (seen == 0xFFFFFF) top_down = false;
    else return false;
  }
  if (x0 == 0 && x1 == ds.dsBm.bmWidth && stride == static_cast<size_t>(x1) * 4) {
    // Whole rows in a row: one run over contiguous memory.
    long first = top_down ? y0 : height - y1;
    BrightenRow(reinterpret_cast<uint32_t*>(base + first * stride), static_cast<size_t>(x1) * (y1 - y0), val);
    return true;
  }
  for (long y = y0; y < y1; ++y) {
    long row = top_down ? y : height - 1 - y;
    BrightenRow(reinterpret_cast<uint32_t*>(base + row * stride) + x0, static_cast<size_t>(x1 - x0), val);
  }
  return true;
}

}  // namespace

bool BrightenSurface(HDC dc, long last_x, long last_y, int val) { return BrightenColumns(dc, 0, last_x, last_y, val); }

bool BrightenColumns(HDC dc, long first_x, long last_x, long last_y, int val) {
  if (!dc || first_x < 0 || last_x < first_x || last_y < 0) return false;
  RECT clip;
  if (GetClipBox(dc, &clip) == ERROR) return false;
  // Pixels outside the surface read as invalid and take no writes: only the part inside
  // both the requested columns and rows and the surface is worked.
  long x0 = clip.left > first_x ? clip.left : first_x;
  long y0 = clip.top > 0 ? clip.top : 0;
  long x1 = clip.right < last_x + 1 ? clip.right : last_x + 1;
  long y1 = clip.bottom < last_y + 1 ? clip.bottom : last_y + 1;
  if (x1 <= x0 || y1 <= y0) return true;
  if (BrightenInPlace(dc, x0, y0, x1, y1, val)) return true;
  long width = x1 - x0;
  // Bands of about 4 MB keep memory bounded whatever the surface's size.
  long band = static_cast<long>((4L << 20) / (static_cast<long long>(width) * 4));
  if (band < 1) band = 1;
  if (band > y1 - y0) band = y1 - y0;

  BITMAPINFO bmi;
  std::memset(&bmi, 0, sizeof bmi);
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -band;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject dib(CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return false;
  MemoryDC mem(CreateCompatibleDC(dc));
  if (!mem) return false;
  HGDIOBJ old = SelectObject(mem.get(), dib.get());
  bool ok = true;
  for (long y = y0; y < y1 && ok; y += band) {
    long rows = y1 - y < band ? y1 - y : band;
    ok = BitBlt(mem.get(), 0, 0, width, rows, dc, x0, y, SRCCOPY) != 0;
    if (!ok) break;
    GdiFlush();
    BrightenRow(static_cast<uint32_t*>(bits), static_cast<size_t>(width) * rows, val);
    ok = BitBlt(dc, x0, y, width, rows, mem.get(), 0, 0, SRCCOPY) != 0;
  }
  SelectObject(mem.get(), old);
  return ok;
}

void KelzudFGIBriConA::BrightObject(int val, IDispatch* surface) {
  if (!surface) return;
  // Each member is read on its own: one that is missing or unusable leaves the pixels as they
  // were, and the refreshes still follow the columns.
  long last_x = -1, last_y = -1;
  HDC dc = nullptr;
  try {
    Var w = GetProp(surface, L"ScaleWidth"), wd;
    if (SUCCEEDED(VariantChangeType(wd.get(), w.get(), 0, VT_R8))) {
      double width = wd.get()->dblVal;
      if (std::isfinite(width) && width >= 0)
        last_x = width > 2147483646.0 ? 2147483646L : static_cast<long>(std::floor(width));
    }
  } catch (...) {
  }
  try {
    // The row bound is a 16-bit integer, rounded.
    Var h = GetProp(surface, L"ScaleHeight"), hd;
    if (SUCCEEDED(VariantChangeType(hd.get(), h.get(), 0, VT_R8))) {
      double height = hd.get()->dblVal;
      if (height > -32768.5 && height < 32767.5) last_y = static_cast<long>(std::nearbyint(height));
    }
  } catch (...) {
  }
  try {
    Var d = GetProp(surface, L"hDC");
    dc = HandleFromLong<HDC>(VarToLong(d.get()));
  } catch (...) {
    dc = nullptr;
  }
  auto refresh = [&] {
    try {
      CallByName(surface, L"Refresh", DISPATCH_METHOD, std::vector<Var>{});
    } catch (...) {
    }
  };
  // Columns past the surface's right edge take no writes; the walk stops at the first of them
  // (the one the inclusive bound of a pixel-scaled surface reaches). A surface whose device
  // context cannot be read is walked up to the widest a picture can be.
  constexpr long kWidestSurface = 32767;
  RECT clip;
  long end = last_x;
  if (dc && GetClipBox(dc, &clip) != ERROR)
    end = clip.right < 0 ? 0 : (end < clip.right ? end : clip.right);
  else if (end > kWidestSurface)
    end = kWidestSurface;
  // The whole-surface pass in bands of ten columns: 0, then 1 to 10, 11 to 20, ..., each band
  // ending on a column that is a multiple of 10 followed by a Refresh, so that a surface sees
  // its progress as the pixel walk shows it.
  for (long x0 = 0; x0 <= end;) {
    long x1 = x0 == 0 ? 0 : ((x0 + 9) / 10) * 10;
    if (x1 > end) x1 = end;
    if (last_y >= 0) BrightenColumns(dc, x0, x1, last_y, val);
    if (x1 % 10 == 0) refresh();
    x0 = x1 + 1;
  }
  refresh();
}

// --- The automation members ----------------------------------------------------------------

namespace {
template <class F>
HRESULT Out(Pixel* ret, F f) {
  if (!ret) return E_POINTER;
  *ret = f();
  return S_OK;
}
short V(const short* p) { return p ? *p : 0; }
float V(const float* p) { return p ? *p : 0.0f; }
Pixel V(const Pixel* p) {
  Pixel z{};
  return p ? *p : z;
}
}  // namespace

#define KZ_PIX(body)                        \
  if (!ret) return E_POINTER;               \
  return Guard([&] { *ret = (body); })

STDMETHODIMP KelzudFGIBriConA::NewPixel(short* r, short* g, short* b, Pixel* ret) {
  KZ_PIX(pixels::NewPixel(V(r), V(g), V(b)));
}
STDMETHODIMP KelzudFGIBriConA::PixToLong(Pixel* p, long* ret) { KZ_PIX(pixels::PixToLong(V(p))); }
STDMETHODIMP KelzudFGIBriConA::LongToPix(long* c, Pixel* ret) { KZ_PIX(pixels::LongToPix(c ? *c : 0)); }
STDMETHODIMP KelzudFGIBriConA::GreyscalePix(short* v, Pixel* ret) {
  KZ_PIX(pixels::NewPixel(V(v), V(v), V(v)));
}
STDMETHODIMP KelzudFGIBriConA::GetGreyPix(Pixel* p, short* ret) { KZ_PIX(pixels::GetGreyPix(V(p))); }
STDMETHODIMP KelzudFGIBriConA::InvertPix(Pixel* p, Pixel* ret) { KZ_PIX(pixels::InvertPix(V(p))); }
STDMETHODIMP KelzudFGIBriConA::SameCol(Pixel* a, Pixel* b, VARIANT_BOOL* ret) {
  KZ_PIX(pixels::SameCol(V(a), V(b)) ? VARIANT_TRUE : VARIANT_FALSE);
}
STDMETHODIMP KelzudFGIBriConA::CheckHighByte(short* v, short* ret) { KZ_PIX(pixels::CheckHighByte(V(v))); }
STDMETHODIMP KelzudFGIBriConA::CheckLowByte(short* v, short* ret) { KZ_PIX(pixels::CheckLowByte(V(v))); }
STDMETHODIMP KelzudFGIBriConA::CheckByte(short* v, short* ret) { KZ_PIX(pixels::CheckByte(V(v))); }
STDMETHODIMP KelzudFGIBriConA::MaxB(short* a, short* b, short* ret) { KZ_PIX(pixels::MaxB(V(a), V(b))); }
STDMETHODIMP KelzudFGIBriConA::MinB(short* a, short* b, short* ret) { KZ_PIX(pixels::MinB(V(a), V(b))); }
STDMETHODIMP KelzudFGIBriConA::LinearB(short* a, short* b, float* pos, short* ret) {
  KZ_PIX(pixels::LinearB(V(a), V(b), V(pos)));
}
STDMETHODIMP KelzudFGIBriConA::LightenPix(Pixel* p, short* amt, Pixel* ret) {
  KZ_PIX(pixels::LightenPix(V(p), V(amt)));
}
STDMETHODIMP KelzudFGIBriConA::DarkenPix(Pixel* p, short* amt, Pixel* ret) {
  KZ_PIX(pixels::DarkenPix(V(p), V(amt)));
}

#define KZ_BLEND(NAME, MODE)                                                           \
  STDMETHODIMP KelzudFGIBriConA::NAME(Pixel* a, Pixel* b, Pixel* ret) {                \
    KZ_PIX(pixels::BlendPix(pixels::Blend::MODE, V(a), V(b)));                         \
  }
#define KZ_TRANS(NAME, MODE)                                                           \
  STDMETHODIMP KelzudFGIBriConA::NAME(Pixel* a, Pixel* b, float* amt, Pixel* ret) {    \
    KZ_PIX(pixels::TransBlendPix(pixels::Blend::MODE, V(a), V(b), V(amt)));            \
  }
KZ_BLEND(BlendAdd, Add)
KZ_BLEND(BlendSub, Sub)
KZ_BLEND(BlendLight, Light)
KZ_BLEND(BlendDark, Dark)
KZ_BLEND(BlendDiff, Diff)
KZ_BLEND(BlendScrn, Scrn)
KZ_BLEND(BlendExcl, Excl)
KZ_TRANS(TransAddPix, Add)
KZ_TRANS(TransSubPix, Sub)
KZ_TRANS(TransLightPix, Light)
KZ_TRANS(TransDarkPix, Dark)
KZ_TRANS(TransDiffPix, Diff)
KZ_TRANS(TransScrnPix, Scrn)
KZ_TRANS(TransExclPix, Excl)

STDMETHODIMP KelzudFGIBriConA::TransPix(Pixel* a, Pixel* b, float* amt, Pixel* ret) {
  KZ_PIX(pixels::TransPix(V(a), V(b), V(amt)));
}

STDMETHODIMP KelzudFGIBriConA::Bright(short* val, IDispatch** oPic) {
  BrightObject(V(val), oPic ? *oPic : nullptr);
  return S_OK;
}

STDMETHODIMP KelzudFGIBriConA::Contrast(Pixel* pix, short* iAmnt, Pixel* ret) {
  if (!ret || !pix) return E_POINTER;
  return Guard([&] {
    pixels::Contrast(*pix, V(iAmnt));
    *ret = *pix;
  });
}

STDMETHODIMP KelzudFGIBriConA::ShowProps(BSTR* FileName, long* OwnerhWnd) {
  return Guard([&] {
    std::wstring file = FileName && *FileName ? std::wstring(*FileName, SysStringLen(*FileName)) : L"";
    if (IsUnattended()) {
      // The sheet waits for a person: log it and leave it closed.
      LogUnattendedWindow(L"Properties", L"Properties", file);
      return;
    }
    std::string ansi = ToAnsi(file);
    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = HandleFromLong<HWND>(OwnerhWnd ? *OwnerhWnd : 0);
    info.lpVerb = "Properties";
    info.lpFile = ansi.c_str();
    info.lpParameters = "";
    info.lpDirectory = "";
    info.nShow = 0;
    if (ShellExecuteExA(&info) && info.hProcess) CloseHandle(info.hProcess);
  });
}

KZ_REGISTER_CLASS(KelzudFGIBriConA);

}  // namespace kz
