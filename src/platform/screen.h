// The screen as forms see it: its size in twips and twips per pixel on each axis. Tests put a
// screen of a chosen size in its place.
#pragma once
#include "base/seam.h"

namespace kz {

struct ScreenMetrics {
  double width_twips = 0, height_twips = 0;
  double twips_per_pixel_x = 15, twips_per_pixel_y = 15;
};

struct Screen {
  virtual ~Screen() = default;
  // GetSystemMetrics for the primary screen's pixels; the display's logical pixels per inch
  // for the twips (1,440 to the inch) per pixel.
  virtual ScreenMetrics Metrics() = 0;
};
template <>
Screen& SeamDefault<Screen>();

}  // namespace kz
