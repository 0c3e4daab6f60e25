#include "platform/screen.h"

#include "base/win.h"

namespace kz {
namespace {

struct WindowsScreen : Screen {
  ScreenMetrics Metrics() override {
    ScreenMetrics m;
    int dpi_x = 96, dpi_y = 96;
    if (HDC dc = GetDC(nullptr)) {
      dpi_x = GetDeviceCaps(dc, LOGPIXELSX);
      dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
      ReleaseDC(nullptr, dc);
    }
    if (dpi_x <= 0) dpi_x = 96;
    if (dpi_y <= 0) dpi_y = 96;
    m.twips_per_pixel_x = 1440.0 / dpi_x;
    m.twips_per_pixel_y = 1440.0 / dpi_y;
    m.width_twips = GetSystemMetrics(SM_CXSCREEN) * m.twips_per_pixel_x;
    m.height_twips = GetSystemMetrics(SM_CYSCREEN) * m.twips_per_pixel_y;
    return m;
  }
};

}  // namespace

template <>
Screen& SeamDefault<Screen>() {
  static WindowsScreen screen;
  return screen;
}

}  // namespace kz
