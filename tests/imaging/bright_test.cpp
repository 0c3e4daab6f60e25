// Brightness over a whole drawing surface: the result is compared pixel for pixel with the
// one-pixel-at-a-time walk over the same surface (GetPixel/SetPixel, inclusive bounds), on
// memory surfaces behind a stand-in picture object.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/longhandle.h"
#include "base/owner.h"
#include "imaging/clsKelzudFGIBriConA.h"
#include "../sysadmin/standins.h"
#include "testkit.h"

namespace {

using kz::Var;

// How a surface is made: Bright changes 32-bit DIB sections drawn on 1:1 in their own memory
// and everything else through a copy, and both must give the walk's pixels.
enum class Kind { TopDown32, BottomUp32, BottomUp24, Device, Offset, HoleInClip };

// A surface of its own, filled with a fixed pattern of colours.
class Surface {
 public:
  Surface(int w, int h, Kind kind = Kind::TopDown32) : w_(w), h_(h), dc_(CreateCompatibleDC(nullptr)) {
    if (kind == Kind::Device) {
      HDC screen = GetDC(nullptr);
      bmp_.reset(CreateCompatibleBitmap(screen, w, h));
      ReleaseDC(nullptr, screen);
    } else {
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      bmi.bmiHeader.biWidth = w;
      bmi.bmiHeader.biHeight = kind == Kind::TopDown32 || kind == Kind::Offset ? -h : h;
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = kind == Kind::BottomUp24 ? 24 : 32;
      void* bits = nullptr;
      bmp_.reset(CreateDIBSection(dc_.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    std::vector<uint32_t> fill(static_cast<size_t>(w) * h);
    uint32_t seed = 12345;
    for (auto& px : fill) {
      seed = seed * 1103515245u + 12345u;
      px = (seed >> 8) & 0xFFFFFF;
    }
    fill[0] = 0;         // black
    fill[1] = 0xFFFFFF;  // white
    fill[2] = 0x00FF00;  // one channel full
    BITMAPINFO bmi = Info();
    SetDIBits(dc_.get(), static_cast<HBITMAP>(bmp_.get()), 0, h, fill.data(), &bmi, DIB_RGB_COLORS);
    old_ = SelectObject(dc_.get(), bmp_.get());
    if (kind == Kind::Offset) SetViewportOrgEx(dc_.get(), 3, 2, nullptr);
    if (kind == Kind::HoleInClip) ExcludeClipRect(dc_.get(), 2, 2, 6, 5);
  }
  ~Surface() { SelectObject(dc_.get(), old_); }
  HDC dc() const { return dc_.get(); }
  std::vector<uint32_t> Pixels() const {
    GdiFlush();
    std::vector<uint32_t> v(static_cast<size_t>(w_) * h_);
    BITMAPINFO bmi = Info();
    SelectObject(dc_.get(), old_);
    GetDIBits(dc_.get(), static_cast<HBITMAP>(bmp_.get()), 0, h_, v.data(), &bmi, DIB_RGB_COLORS);
    SelectObject(dc_.get(), bmp_.get());
    for (auto& p : v) p &= 0xFFFFFF;
    return v;
  }

 private:
  BITMAPINFO Info() const {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w_;
    bmi.bmiHeader.biHeight = -h_;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    return bmi;
  }
  int w_, h_;
  kz::MemoryDC dc_;
  kz::GdiObject bmp_;
  HGDIOBJ old_ = nullptr;
};

// The walk the result must match: every column 0..width and row 0..height, inclusive.
void BrightOnePixelAtATime(HDC dc, long width, long height, int val) {
  long colour = 0;
  for (long x = 0; x <= width; ++x) {
    for (long y = 0; y <= height; ++y) {
      colour = static_cast<long>(GetPixel(dc, x, y));
      long red = colour % 256;
      long blue = colour >= 0 ? colour / 65536 : -((-colour + 65535) / 65536);
      long green = (colour - 65536 * blue - red) / 256;
      auto lim = [val](long c) { c += val; return c < 0 ? 0 : (c > 255 ? 255 : c); };
      SetPixel(dc, x, y, static_cast<COLORREF>(lim(red) + 256 * lim(green) + 65536 * lim(blue)));
    }
  }
}

kzt::Scripted* PictureOf(HDC dc, long sw, long sh, int* refreshes) {
  long handle = 0;
  kz::LongFromHandle(dc, &handle);
  return kzt::Scripted::New()
      ->Value(L"ScaleWidth", Var::Long(sw))
      ->Value(L"ScaleHeight", Var::Long(sh))
      ->Value(L"hDC", Var::Long(handle))
      ->On(L"Refresh", [refreshes](std::vector<VARIANT*>&, VARIANT*) {
        ++*refreshes;
        return S_OK;
      });
}

TEST(Bright, SameResultAsThePixelWalkForEveryAmount) {
  struct Shape { int bw, bh; long sw, sh; } shapes[] = {
      {37, 23, 37, 23},  // scale equals the bitmap: the extra column and row fall outside
      {41, 29, 37, 23},  // a bigger bitmap: column 37 and row 23 change as well, 38 does not
      {5, 3, 0, 0},      // a single pixel
  };
  for (const auto& s : shapes) {
    for (int val : {0, 1, -1, 37, -50, 254, 255, 256, -255, -256, 300, -300, 32767, -32768}) {
      Surface fast(s.bw, s.bh), slow(s.bw, s.bh);
      int refreshes = 0;
      kzt::Held pic(PictureOf(fast.dc(), s.sw, s.sh, &refreshes));
      Var v = Var::Short(static_cast<short>(val)), p = pic.AsVar();
      auto obj = kzt::Create(L"Kelzud10.clsKelzudFGIBriConA");
      auto r = kzt::Call(obj.get(), L"Bright", {v.get(), p.get()}, DISPATCH_METHOD);
      ASSERT_EQ(r.error, 0) << r.description;
      EXPECT_GE(refreshes, 1);
      BrightOnePixelAtATime(slow.dc(), s.sw, s.sh, val);
      EXPECT_EQ(fast.Pixels(), slow.Pixels()) << s.bw << "x" << s.bh << " val " << val;
    }
  }
}

// Refresh comes after the columns 0, 10, 20, ... are done, then once more at the end: at each
// call the surface shows exactly the columns done so far.
TEST(Bright, RefreshesAfterEveryTenthColumnAndAtTheEnd) {
  struct Case {
    int width;
    std::vector<int> done;  // columns changed at each Refresh
  } cases[] = {{1, {1, 1}}, {9, {1, 9}}, {10, {1, 10, 10}}, {25, {1, 11, 21, 25}}, {30, {1, 11, 21, 30, 30}}};
  for (const Case& c : cases) {
    Surface s(c.width, 4);
    std::vector<int> seen;
    auto count_done = [&] {
      GdiFlush();
      int n = 0;
      for (int x = 0; x < c.width; ++x)
        if ((GetPixel(s.dc(), x, 1) & 0xFFFFFF) == 0 && (GetPixel(s.dc(), x, 3) & 0xFFFFFF) == 0) ++n;
      seen.push_back(n);
      return S_OK;
    };
    long handle = 0;
    kz::LongFromHandle(s.dc(), &handle);
    kzt::Held pic(kzt::Scripted::New()
                      ->Value(L"ScaleWidth", Var::Long(c.width))
                      ->Value(L"ScaleHeight", Var::Long(4))
                      ->Value(L"hDC", Var::Long(handle))
                      ->On(L"Refresh", [&](std::vector<VARIANT*>&, VARIANT*) { return count_done(); }));
    Var v = Var::Short(-300), p = pic.AsVar();
    auto obj = kzt::Create(L"Kelzud10.clsKelzudFGIBriConA");
    ASSERT_EQ(kzt::Call(obj.get(), L"Bright", {v.get(), p.get()}, DISPATCH_METHOD).error, 0);
    EXPECT_EQ(seen, c.done) << "width " << c.width;
  }
}

TEST(Bright, EveryKindOfSurfaceGivesTheWalksPixels) {
  const Kind kinds[] = {Kind::TopDown32, Kind::BottomUp32, Kind::BottomUp24, Kind::Device, Kind::Offset, Kind::HoleInClip};
  for (Kind kind : kinds) {
    for (int val : {45, -70}) {
      for (long sw : {36L, 19L}) {  // all columns, and part of each row
        Surface fast(37, 23, kind), slow(37, 23, kind);
        auto before = fast.Pixels();
        ASSERT_TRUE(kz::BrightenSurface(fast.dc(), sw, 17, val));
        BrightOnePixelAtATime(slow.dc(), sw, 17, val);
        auto after = fast.Pixels();
        EXPECT_EQ(after, slow.Pixels()) << "kind " << static_cast<int>(kind) << " val " << val << " width " << sw;
        EXPECT_NE(after, before);
      }
    }
  }
}

TEST(Bright, ExtremesGiveWhiteAndBlackAndZeroChangesNothing) {
  Surface s(16, 9);
  auto before = s.Pixels();
  kz::BrightenSurface(s.dc(), 16, 9, 0);
  EXPECT_EQ(s.Pixels(), before);
  kz::BrightenSurface(s.dc(), 16, 9, 300);
  for (uint32_t p : s.Pixels()) ASSERT_EQ(p, 0xFFFFFFu);
  kz::BrightenSurface(s.dc(), 16, 9, -300);
  for (uint32_t p : s.Pixels()) ASSERT_EQ(p, 0u);
}

TEST(Bright, ASurfaceMissingMembersIsLeftAloneWithoutAnError) {
  Surface s(8, 8);
  auto before = s.Pixels();
  long handle = 0;
  kz::LongFromHandle(s.dc(), &handle);
  int refreshes = 0;
  kzt::Held no_dc(kzt::Scripted::New()->Value(L"ScaleWidth", Var::Long(8))->Value(L"ScaleHeight", Var::Long(8))
                      ->On(L"Refresh", [&](std::vector<VARIANT*>&, VARIANT*) { ++refreshes; return S_OK; }));
  kzt::Held bad_dc(PictureOf(reinterpret_cast<HDC>(static_cast<intptr_t>(0x7777)), 8, 8, &refreshes));
  kzt::Held huge(PictureOf(s.dc(), 2000000000, 30000, &refreshes));  // clipped to the surface
  kzt::Held text(kzt::Scripted::New()->Value(L"ScaleWidth", Var::Str(L"wide"))->Value(L"ScaleHeight", Var::Long(8))
                     ->Value(L"hDC", Var::Long(handle)));
  kzt::Held too_tall(PictureOf(s.dc(), 8, 40000, &refreshes));
  auto obj = kzt::Create(L"Kelzud10.clsKelzudFGIBriConA");
  Var v = Var::Short(0);
  for (kzt::Scripted* o : {no_dc.get(), bad_dc.get(), text.get(), too_tall.get()}) {
    Var p = Var::Object(o);
    v = Var::Short(40);
    auto r = kzt::Call(obj.get(), L"Bright", {v.get(), p.get()}, DISPATCH_METHOD);
    EXPECT_EQ(r.error, 0) << r.description;
  }
  EXPECT_EQ(s.Pixels(), before);
  Var nothing = Var::Object(nullptr);
  EXPECT_EQ(kzt::Call(obj.get(), L"Bright", {v.get(), nothing.get()}, DISPATCH_METHOD).error, 0);
  EXPECT_EQ(refreshes, 6);  // each surface that has Refresh: after column 0 and at the end

  Var p = huge.AsVar();
  v = Var::Short(-300);
  EXPECT_EQ(kzt::Call(obj.get(), L"Bright", {v.get(), p.get()}, DISPATCH_METHOD).error, 0);
  for (uint32_t px : s.Pixels()) ASSERT_EQ(px, 0u);
}

TEST(ShowProps, UnattendedItIsLoggedNotShownAndAnEmptyNameIsNoError) {
  kzt::UnattendedLog log;
  auto obj = kzt::Create(L"Kelzud10.clsKelzudFGIBriConA");
  for (const wchar_t* name : {L"", L"C:\\no such folder\\file.txt"}) {
    Var f = Var::Str(name), h = Var::Long(0);
    auto r = kzt::Call(obj.get(), L"ShowProps", {f.get(), h.get()}, DISPATCH_METHOD);
    EXPECT_EQ(r.error, 0) << r.description;
  }
  auto records = log.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[1].find(L"no such folder"), std::wstring::npos);
}

}  // namespace
