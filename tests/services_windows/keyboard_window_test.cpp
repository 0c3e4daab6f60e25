// clsKelzudKeyboardA against the real input queue: a focused test window on the virtual
// display receives the key messages the class sends, and the lock keys toggle and come back.
#include "services/clsKelzudKeyboardA.h"

#include "testkit.h"

using namespace kzt;
using kz::Keyboard;

namespace {

struct Msg {
  UINT message;
  WPARAM key;
  bool extended;
};
std::vector<Msg> g_msgs;

LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      g_msgs.push_back({m, w, (l & (1 << 24)) != 0});
      return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

std::string Name(const Msg& m) {
  const char* kind = m.message == WM_KEYDOWN ? "down" : m.message == WM_KEYUP ? "up" : m.message == WM_CHAR ? "char"
                   : m.message == WM_SYSKEYDOWN ? "sysdown" : m.message == WM_SYSKEYUP ? "sysup" : "syschar";
  return std::string(kind) + ":" + std::to_string(m.key);
}

std::vector<std::string> Names(const std::vector<Msg>& msgs) {
  std::vector<std::string> out;
  for (const auto& m : msgs) out.push_back(Name(m));
  return out;
}

std::string Down(int vk) { return "down:" + std::to_string(vk); }
std::string Up(int vk) { return "up:" + std::to_string(vk); }
std::string Char(wchar_t c) { return "char:" + std::to_string(static_cast<int>(c)); }

double NowMs() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Lets messages run until `count` key messages have arrived, or for `ms` when count is 0.
void PumpUntil(size_t count, double ms = 1500) {
  double end = NowMs() + ms;
  while (NowMs() < end && (count == 0 || g_msgs.size() < count)) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(5);
  }
}

Keyboard::Locks Locks() {
  PumpUntil(0, 100);  // the thread's key state follows the messages it has taken
  return Keyboard::LockStatus();
}

class KeyboardWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KzKeyboardWindowTest";
    RegisterClassW(&wc);
    w_ = CreateWindowW(wc.lpszClassName, L"keyboard test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                       nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(w_, nullptr);
    SetForegroundWindow(w_);
    SetFocus(w_);
    double end = NowMs() + 3000;
    while (NowMs() < end && (GetForegroundWindow() != w_ || GetFocus() != w_)) PumpUntil(0, 20);
    ASSERT_EQ(GetFocus(), w_) << "the test window did not get the focus";
    locks_ = Locks();
    g_msgs.clear();
  }
  void TearDown() override {
    // Nothing may stay down or toggled after a test: check, and put right what is wrong.
    PumpUntil(0, 100);
    for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU, int{'A'}, int{'B'}, VK_LEFT}) {
      if (GetAsyncKeyState(vk) & 0x8000) {
        ADD_FAILURE() << "key " << vk << " left down";
        keybd_event(static_cast<BYTE>(vk), 0, KEYEVENTF_KEYUP, 0);
      }
    }
    if (w_) {
      Keyboard::Locks now = Locks();
      const std::pair<bool, bool> states[] = {{now.caps, locks_.caps}, {now.num, locks_.num}, {now.scroll, locks_.scroll}};
      const int keys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
      for (int i = 0; i < 3; ++i) {
        if (states[i].first == states[i].second) continue;
        ADD_FAILURE() << "lock key " << keys[i] << " left changed";
        keybd_event(static_cast<BYTE>(keys[i]), 0, 0, 0);
        keybd_event(static_cast<BYTE>(keys[i]), 0, KEYEVENTF_KEYUP, 0);
      }
      PumpUntil(0, 100);
      DestroyWindow(w_);
    }
    UnregisterClassW(L"KzKeyboardWindowTest", GetModuleHandleW(nullptr));
  }
  HWND w_ = nullptr;
  Keyboard::Locks locks_{};
};

}  // namespace

TEST_F(KeyboardWindow, LowerCaseLetter) {
  Keyboard::TypeKey(L"a", false, false);
  PumpUntil(3);
  PumpUntil(0, 100);
  EXPECT_EQ(Names(g_msgs), (std::vector<std::string>{Down('A'), Char(L'a'), Up('A')}));
}

TEST_F(KeyboardWindow, CapitalLetterNeedsShift) {
  Keyboard::TypeKey(L"A", false, false);
  PumpUntil(5);
  PumpUntil(0, 100);
  EXPECT_EQ(Names(g_msgs), (std::vector<std::string>{Down(VK_SHIFT), Down('A'), Char(L'A'), Up('A'), Up(VK_SHIFT)}));
}

TEST_F(KeyboardWindow, HoldThenRelease) {
  Keyboard::TypeKey(L"b", true, false);
  PumpUntil(2);
  PumpUntil(0, 100);
  EXPECT_EQ(Names(g_msgs), (std::vector<std::string>{Down('B'), Char(L'b')}));
  EXPECT_TRUE(GetKeyState('B') & 0x8000);
  g_msgs.clear();
  Keyboard::TypeKey(L"b", false, true);
  PumpUntil(1);
  PumpUntil(0, 100);
  EXPECT_EQ(Names(g_msgs), (std::vector<std::string>{Up('B')}));
  EXPECT_FALSE(GetKeyState('B') & 0x8000);
}

TEST_F(KeyboardWindow, StringArrivesInOrderAndTakes20MsACharacter) {
  double t0 = NowMs();
  Keyboard::TypeString(L"aB1!", true);
  double took = NowMs() - t0;
  PumpUntil(0, 300);
  std::wstring chars;
  for (const auto& m : g_msgs)
    if (m.message == WM_CHAR) chars += static_cast<wchar_t>(m.key);
  EXPECT_EQ(chars, L"aB1!");
  EXPECT_GE(took, 4 * 20 - 1);
  // The messages ran while the string was being typed, not only afterwards.
  EXPECT_FALSE(g_msgs.empty());
  std::vector<std::string> shifted;
  for (const auto& m : g_msgs)
    if (m.key == VK_SHIFT) shifted.push_back(Name(m));
  EXPECT_EQ(shifted, (std::vector<std::string>{Down(VK_SHIFT), Up(VK_SHIFT), Down(VK_SHIFT), Up(VK_SHIFT)}));
}

TEST_F(KeyboardWindow, StringWithoutPumpingArrivesLater) {
  Keyboard::TypeString(L"xy", false);
  EXPECT_TRUE(g_msgs.empty());  // nothing ran during the call
  PumpUntil(6);
  PumpUntil(0, 100);
  EXPECT_EQ(Names(g_msgs), (std::vector<std::string>{Down('X'), Char(L'x'), Up('X'), Down('Y'), Char(L'y'), Up('Y')}));
}

TEST_F(KeyboardWindow, VirtualKeysWithAndWithoutTheExtendedFlag) {
  Keyboard::TypeVirtualKey(VK_LEFT, false, false, false);
  PumpUntil(2);
  ASSERT_EQ(Names(g_msgs), (std::vector<std::string>{Down(VK_LEFT), Up(VK_LEFT)}));
  EXPECT_TRUE(g_msgs[0].extended);
  EXPECT_TRUE(g_msgs[1].extended);
  g_msgs.clear();
  Keyboard::TypeVirtualKey(VK_LEFT, false, false, true);
  PumpUntil(2);
  ASSERT_EQ(Names(g_msgs), (std::vector<std::string>{Down(VK_LEFT), Up(VK_LEFT)}));
  EXPECT_FALSE(g_msgs[0].extended);
  g_msgs.clear();
  Keyboard::TypeVirtualKey(VK_SPACE, false, false, false);  // a key with a character
  PumpUntil(3);
  PumpUntil(0, 100);
  ASSERT_EQ(Names(g_msgs), (std::vector<std::string>{Down(VK_SPACE), Char(L' '), Up(VK_SPACE)}));
  EXPECT_FALSE(g_msgs[0].extended);
}

TEST_F(KeyboardWindow, LockKeysToggleAndComeBack) {
  struct Lock {
    long vk;
    bool Keyboard::Locks::*state;
  } locks[] = {{20, &Keyboard::Locks::caps}, {144, &Keyboard::Locks::num}, {145, &Keyboard::Locks::scroll}};
  for (const auto& l : locks) {
    bool before = Locks().*l.state;
    Keyboard::TypeVirtualKey(l.vk, false, false, true);
    bool toggled = Locks().*l.state;
    Keyboard::TypeVirtualKey(l.vk, false, false, true);
    bool back = Locks().*l.state;
    EXPECT_NE(toggled, before) << l.vk;
    EXPECT_EQ(back, before) << l.vk;
  }
}
