// Brightness over a 1024x768 surface through clsKelzudFGIBriConA's whole-surface pass, in the
// same run as (1) the one-pixel-at-a-time GetPixel/SetPixel walk over an identical surface,
// whose pixels must come out the same, and (2) a plain copy of the pixels out of the surface
// and back, the memory-bandwidth floor. Then the pixel functions called from C++ ten million
// times against the same arithmetic written inline. Ratio above 1.0 means ours is slower.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "benchkit.h"

#include "imaging/clsKelzudFGIBriConA.h"

namespace {

constexpr int kW = 1024, kH = 768;

struct Surface {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  Surface() {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = kW;
    bmi.bmiHeader.biHeight = -kH;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* b = nullptr;
    bmp = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &b, nullptr, 0);
    bits = static_cast<uint32_t*>(b);
    old = SelectObject(dc, bmp);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  void Fill(uint32_t seed) {
    for (int i = 0; i < kW * kH; ++i) {
      seed = seed * 1103515245u + 12345u;
      bits[i] = (seed >> 8) & 0xFFFFFF;
    }
  }
};

void Walk(HDC dc, long width, long height, int val) {
  for (long x = 0; x <= width; ++x) {
    for (long y = 0; y <= height; ++y) {
      long colour = static_cast<long>(GetPixel(dc, x, y));
      long red = colour % 256;
      long blue = colour >= 0 ? colour / 65536 : -((-colour + 65535) / 65536);
      long green = (colour - 65536 * blue - red) / 256;
      auto lim = [val](long c) { c += val; return c < 0 ? 0 : (c > 255 ? 255 : c); };
      SetPixel(dc, x, y, static_cast<COLORREF>(lim(red) + 256 * lim(green) + 65536 * lim(blue)));
    }
  }
}

}  // namespace

int main() {
  bench::Header("Bright on a 1024x768 surface; pixel functions in a loop of 10 million");
  bench::Checks checks;
  Surface ours, walk, plain;
  std::vector<uint32_t> scratch(static_cast<size_t>(kW) * kH);
  bench::Rounds vs_walk, vs_memory;
  const int vals[] = {37, -50, 300};
  for (int round = 0; round < 3; ++round) {
    int val = vals[round % 3];
    ours.Fill(round + 1);
    walk.Fill(round + 1);
    double t0 = bench::Now();
    kz::BrightenSurface(ours.dc, kW, kH, val);
    GdiFlush();
    double t1 = bench::Now();
    Walk(walk.dc, kW, kH, val);
    GdiFlush();
    double t2 = bench::Now();
    vs_walk.Add(t1 - t0, t2 - t1);
    checks.Expect(std::memcmp(ours.bits, walk.bits, sizeof(uint32_t) * kW * kH) == 0, "pixels after Bright " + std::to_string(val));
  }
  for (int round = 0; round < 15; ++round) {
    ours.Fill(7);
    plain.Fill(7);
    double t0 = bench::Now();
    kz::BrightenSurface(ours.dc, kW, kH, 20);
    GdiFlush();
    double t1 = bench::Now();
    std::memcpy(scratch.data(), plain.bits, scratch.size() * 4);
    std::memcpy(plain.bits, scratch.data(), scratch.size() * 4);
    double t2 = bench::Now();
    vs_memory.Add(t1 - t0, t2 - t1);
  }
  vs_walk.Print("Bright vs GetPixel/SetPixel walk", "whole surface", "walk");
  vs_memory.Print("Bright vs plain memory pass", "whole surface", "copy out and back");
  checks.Expect(vs_walk.MedianRatio() <= 1.0 / 50, "at least 50x faster than the walk");
  checks.Expect(vs_memory.MedianRatio() <= 3.0, "within 3x of the memory pass");

  // Pixel functions against inline arithmetic, 10 million calls each round.
  constexpr int kN = 10000000;
  bench::Rounds funcs;
  long long sum_ours = 0, sum_inline = 0;
  for (int round = 0; round < 7; ++round) {
    sum_ours = sum_inline = 0;
    double t0 = bench::Now();
    for (int i = 0; i < kN; ++i) {
      Pixel a = kz::pixels::NewPixel(static_cast<short>(i & 255), static_cast<short>((i >> 8) & 255), static_cast<short>((i >> 16) & 255));
      Pixel b = kz::pixels::LongToPix(static_cast<long>((static_cast<unsigned>(i) * 7919u) & 0xFFFFFFu));
      Pixel c = kz::pixels::BlendPix(kz::pixels::Blend::Add, a, b);
      sum_ours += c.red + c.green + c.blue;
    }
    double t1 = bench::Now();
    for (int i = 0; i < kN; ++i) {
      int ar = i & 255, ag = (i >> 8) & 255, ab = (i >> 16) & 255;
      long col = static_cast<long>((static_cast<unsigned>(i) * 7919u) & 0xFFFFFFu);
      int br = col & 255, bg = (col / 256) & 255, bb = (col / 65536) & 255;
      int r = ar + br, g = ag + bg, bl = ab + bb;
      sum_inline += (r > 255 ? 255 : r) + (g > 255 ? 255 : g) + (bl > 255 ? 255 : bl);
    }
    double t2 = bench::Now();
    funcs.Add(t1 - t0, t2 - t1);
  }
  funcs.Print("NewPixel+LongToPix+BlendAdd vs inline", "functions", "inline");
  checks.Expect(sum_ours == sum_inline, "sums of the blended channels");
  checks.Expect(funcs.MedianRatio() <= 2.0, "within 2x of inline arithmetic");
  return checks.ExitCode();
}
