// Keeps a Wine session's desktop alive for a whole test run. Wine's desktop process ends a few
// seconds after the last program using the desktop has gone, and the next program that needs it
// starts a new one, which inherits that program's output pipes: the test runner then waits for
// a pipe that the desktop holds open long after the test has finished. This program uses the
// desktop and waits until the session ends, so the desktop started at boot stays.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  GetDesktopWindow();  // connects this process to the desktop
  HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  if (w) DestroyWindow(w);
  return 0;
}
