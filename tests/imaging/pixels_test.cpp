// Pixel arithmetic and blend modes: known answers worked out by hand from the formulas,
// at the channel boundaries 0 and 255 and for every mode, from C++ and through dispatch.
#include <cmath>
#include <limits>

#include "frame/catalogue.h"
#include "imaging/clsKelzudFGIBriConA.h"
#include "testkit.h"

namespace {

namespace px = kz::pixels;
using kz::Var;
using px::Blend;

Pixel P(short r, short g, short b, short t = 0) {
  Pixel p;
  p.red = r;
  p.green = g;
  p.blue = b;
  p.Trans = t;
  return p;
}

long ErrorOf(void (*f)()) {
  try {
    f();
  } catch (const kz::Error& e) {
    return e.number();
  }
  return 0;
}

#define EXPECT_PIX(p, r, g, b)     \
  do {                             \
    Pixel q_ = (p);                \
    EXPECT_EQ(q_.red, r);          \
    EXPECT_EQ(q_.green, g);        \
    EXPECT_EQ(q_.blue, b);         \
    EXPECT_EQ(q_.Trans, 0);        \
  } while (0)

TEST(Pixels, ColourLongRoundTripAndLayout) {
  Pixel p = px::LongToPix(0x336699);
  EXPECT_PIX(p, 0x99, 0x66, 0x33);
  EXPECT_EQ(px::PixToLong(p), 0x336699);
  EXPECT_EQ(px::PixToLong(P(300, 256, 1000)), 0xFFFFFF);  // above 255 counts as 255
  EXPECT_EQ(px::PixToLong(P(0, 0, 0)), 0);
  EXPECT_PIX(px::LongToPix(0x7F123456), 0x56, 0x34, 0x12);
  // Division truncates toward zero before the mask: -1 keeps only its red byte.
  EXPECT_PIX(px::LongToPix(-1), 255, 0, 0);
  EXPECT_PIX(px::LongToPix(-256), 0, 255, 0);
  EXPECT_EQ(ErrorOf([] { px::PixToLong(P(-1, 0, 0)); }), kz::kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { px::PixToLong(P(0, 0, -300)); }), kz::kErrInvalidCall);
}

TEST(Pixels, GreyInvertSame) {
  EXPECT_EQ(px::GetGreyPix(P(255, 255, 255)), 255);
  EXPECT_EQ(px::GetGreyPix(P(100, 0, 0)), 22);
  EXPECT_EQ(px::GetGreyPix(P(0, 100, 0)), 71);  // 70.7
  EXPECT_EQ(px::GetGreyPix(P(0, 0, 0)), 0);
  EXPECT_EQ(px::GetGreyPix(P(32767, 32767, 32767)), 32767);  // the weights sum to one: no overflow
  EXPECT_PIX(px::InvertPix(P(0, 128, 255, 9)), 255, 127, 0);
  EXPECT_EQ(ErrorOf([] { px::InvertPix(P(0, 0, -32768)); }), kz::kErrOverflow);
  EXPECT_TRUE(px::SameCol(P(1, 2, 3, 7), P(1, 2, 3, 8)));
  EXPECT_FALSE(px::SameCol(P(1, 2, 3), P(1, 2, 4)));
  EXPECT_PIX(px::NewPixel(-5, 300, 7), -5, 300, 7);
}

TEST(Pixels, SingleValueHelpers) {
  struct Case { short v, high, low, both; } cases[] = {
      {-32768, -32768, 0, 0}, {-1, -1, 0, 0}, {0, 0, 0, 0}, {255, 255, 255, 255}, {256, 255, 256, 255}, {32767, 255, 32767, 255}};
  for (const auto& c : cases) {
    EXPECT_EQ(px::CheckHighByte(c.v), c.high) << c.v;
    EXPECT_EQ(px::CheckLowByte(c.v), c.low) << c.v;
    EXPECT_EQ(px::CheckByte(c.v), c.both) << c.v;
  }
  EXPECT_EQ(px::MaxB(3, 9), 9);
  EXPECT_EQ(px::MinB(3, 9), 3);
  EXPECT_EQ(px::LinearB(0, 1, 0.5f), 0);  // ties to even
  EXPECT_EQ(px::LinearB(0, 3, 0.5f), 2);
  EXPECT_EQ(px::LinearB(0, 5, 0.5f), 2);
  EXPECT_EQ(px::LinearB(10, 20, 2.0f), 30);  // the position is not limited
  EXPECT_EQ(px::LinearB(10, 20, -1.0f), 0);
  EXPECT_EQ(ErrorOf([] { px::LinearB(0, 32767, 2.0f); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { px::LinearB(0, 1, std::numeric_limits<float>::quiet_NaN()); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { px::LinearB(0, 1, std::numeric_limits<float>::infinity()); }), kz::kErrOverflow);
}

TEST(Pixels, LightenDarken) {
  EXPECT_PIX(px::LightenPix(P(250, 250, 250), 10), 255, 255, 255);
  EXPECT_PIX(px::LightenPix(P(5, 0, 100), -10), -5, -10, 90);
  EXPECT_PIX(px::DarkenPix(P(5, 0, 100), 10), 0, 0, 90);
  EXPECT_PIX(px::DarkenPix(P(250, 0, 100), -10), 260, 10, 110);
  EXPECT_EQ(ErrorOf([] { px::LightenPix(P(1, 32767, 0), 1); }), kz::kErrOverflow);
}

TEST(Pixels, EveryBlendModeAtTheBoundaries) {
  struct Case { Blend mode; short a, b, want; } cases[] = {
      {Blend::Add, 0, 0, 0},       {Blend::Add, 200, 100, 255},  {Blend::Add, 255, 255, 255}, {Blend::Add, 10, 20, 30},
      {Blend::Sub, 0, 255, 0},     {Blend::Sub, 255, 0, 255},    {Blend::Sub, 100, 30, 70},
      {Blend::Light, 0, 255, 255}, {Blend::Light, 7, 3, 7},      {Blend::Dark, 0, 255, 0},    {Blend::Dark, 7, 3, 3},
      {Blend::Diff, 0, 255, 255},  {Blend::Diff, 255, 0, 255},   {Blend::Diff, 30, 100, 70},
      {Blend::Scrn, 100, 255, 200}, {Blend::Scrn, 200, 255, 255}, {Blend::Scrn, 100, 0, 100}, {Blend::Scrn, 0, 255, 0},
      {Blend::Scrn, 1, 128, 2},    // 1.50196 rounds to 2
      {Blend::Excl, 100, 255, 155}, {Blend::Excl, 100, 0, 100}, {Blend::Excl, 0, 255, 255}, {Blend::Excl, 255, 255, 0},
      {Blend::Excl, 255, 0, 255},  {Blend::Excl, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(px::BlendChannel(c.mode, c.a, c.b), c.want) << static_cast<int>(c.mode) << " " << c.a << " " << c.b;
    // The same answer in each channel of a whole pixel, with Trans dropped.
    EXPECT_PIX(px::BlendPix(c.mode, P(c.a, c.a, c.a, 5), P(c.b, c.b, c.b, 6)), c.want, c.want, c.want);
  }
  EXPECT_PIX(px::BlendPix(Blend::Add, P(1, 2, 3), P(10, 20, 30)), 11, 22, 33);
  EXPECT_EQ(ErrorOf([] { px::BlendChannel(Blend::Diff, -32768, 1); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { px::BlendChannel(Blend::Diff, 0, -32768); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { px::BlendChannel(Blend::Scrn, 20000, 255); }), kz::kErrOverflow);
}

TEST(Pixels, TransparencyMixesTowardsTheSecondPixel) {
  const Blend modes[] = {Blend::Add, Blend::Sub, Blend::Light, Blend::Dark, Blend::Diff, Blend::Scrn, Blend::Excl};
  Pixel a = P(200, 0, 90), b = P(100, 255, 30);
  for (Blend m : modes) {
    Pixel blend = px::BlendPix(m, a, b);
    EXPECT_TRUE(px::SameCol(px::TransBlendPix(m, a, b, 0.0f), blend));
    EXPECT_TRUE(px::SameCol(px::TransBlendPix(m, a, b, 1.0f), b));
    Pixel half = px::TransBlendPix(m, a, b, 0.5f);
    EXPECT_EQ(half.red, px::LinearB(blend.red, b.red, 0.5f));
    EXPECT_EQ(half.Trans, 0);
  }
  EXPECT_PIX(px::TransBlendPix(Blend::Add, a, b, 0.5f), 178, 255, 75);  // (255+100)/2=177.5 -> 178; (120+30)/2
  EXPECT_PIX(px::TransPix(P(0, 10, 255), P(255, 20, 0), 0.25f), 64, 12, 191);  // 63.75, 12.5 -> 12, 191.25
  EXPECT_EQ(ErrorOf([] { px::TransPix(P(0, 0, 0), P(1, 1, 1), std::numeric_limits<float>::quiet_NaN()); }),
            kz::kErrOverflow);
}

TEST(Pixels, ContrastChangesThePixelInPlace) {
  Pixel p = P(200, 50, 128, 4);
  px::Contrast(p, 10);
  EXPECT_EQ(p.red, 190);
  EXPECT_EQ(p.green, 60);
  EXPECT_EQ(p.blue, 118);
  EXPECT_EQ(p.Trans, 4);
  Pixel q = P(250, 5, 200);
  px::Contrast(q, -10);
  EXPECT_EQ(q.red, 255);
  EXPECT_EQ(q.green, 0);
  EXPECT_EQ(q.blue, 210);
  Pixel r = P(200, 0, 0);
  px::Contrast(r, 100);
  EXPECT_EQ(r.red, 100);  // carried past the middle
  // Red and blue are changed before green overflows; they stay changed.
  Pixel s = P(200, 32767, 10);
  try {
    px::Contrast(s, -1);
    ADD_FAILURE() << "no overflow";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), kz::kErrOverflow);
  }
  EXPECT_EQ(s.red, 201);
  EXPECT_EQ(s.blue, 9);
  EXPECT_EQ(s.green, 32767);
}

TEST(Pixels, ThroughDispatchRecordsAndErrors) {
  auto obj = kzt::Create(L"Kelzud10.clsKelzudFGIBriConA");
  ASSERT_TRUE(obj);
  Var col = Var::Long(0x336699);
  auto pix = kzt::Call(obj.get(), L"LongToPix", {col.get()});
  ASSERT_EQ(pix.error, 0) << pix.description;
  ASSERT_EQ(pix.value.vt(), VT_RECORD);
  auto back = kzt::Call(obj.get(), L"PixToLong", {pix.value.get()});
  ASSERT_EQ(back.error, 0) << back.description;
  EXPECT_EQ(kz::VarToLong(back.value.get()), 0x336699);

  Var a = Var::Short(0), b = Var::Short(32767);
  Var pos;
  pos.get()->vt = VT_R4;
  pos.get()->fltVal = 2.0f;
  auto over = kzt::Call(obj.get(), L"LinearB", {a.get(), b.get(), pos.get()});
  EXPECT_EQ(over.error, 6);

  // Contrast writes back into the caller's record.
  Var r = Var::Short(200), g = Var::Short(50), bl = Var::Short(128), amt = Var::Short(10);
  auto p = kzt::Call(obj.get(), L"NewPixel", {r.get(), g.get(), bl.get()});
  ASSERT_EQ(p.error, 0);
  auto c = kzt::Call(obj.get(), L"Contrast", {p.value.get(), amt.get()});
  ASSERT_EQ(c.error, 0) << c.description;
  const Pixel* changed = static_cast<const Pixel*>(p.value.get()->pvRecord);
  EXPECT_EQ(changed->red, 190);
  EXPECT_EQ(changed->green, 60);
  EXPECT_EQ(changed->blue, 118);
  auto cl = kzt::Call(obj.get(), L"PixToLong", {c.value.get()});
  EXPECT_EQ(kz::VarToLong(cl.value.get()), 190 + 256 * 60 + 65536 * 118);
}

}  // namespace
