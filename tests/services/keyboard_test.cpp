// clsKelzudKeyboardA's key events, through a recording keyboard with a small US layout. The
// real input queue is exercised on a virtual display (tests/services_windows).
#include "services/clsKelzudKeyboardA.h"

#include "platform/keyboard.h"
#include "testkit.h"

using namespace kzt;
using kz::Keyboard;
using kz::KeyboardInput;
using kz::ScopedSeam;

namespace {

struct Event {
  int vk, scan;
  unsigned long flags;
  bool operator==(const Event& o) const { return vk == o.vk && scan == o.scan && flags == o.flags; }
};
std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << "{" << e.vk << "," << e.scan << "," << e.flags << "}";
}
using Events = std::vector<Event>;

// A US layout for letters, digits, a few signs and the navigation keys; records every event.
class RecordingKeyboard : public KeyboardInput {
 public:
  short KeyOfChar(char c) override {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<short>(u - 'a' + 'A');
    if (u >= 'A' && u <= 'Z') return static_cast<short>(0x100 | u);
    if (u >= '0' && u <= '9') return static_cast<short>(u);
    if (u == ' ') return 0x20;
    if (u == '!') return 0x131;
    if (u == 1) return 0x241;  // control-A
    return -1;                 // no key on this layout
  }
  unsigned MapKey(unsigned code, unsigned mode) override {
    if (code > 0xFF) return 0;  // not a virtual key
    if (mode == 2) return (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9') || code == 0x20 ? code : 0;
    if (code >= 'A' && code <= 'Z') return 0x10 + (code - 'A');
    if (code == 37) return 0x4B;
    if (code == 20) return 0x3A;
    if (code == 112) return 0x3B;
    return 0;
  }
  void KeyEvent(unsigned char vk, unsigned char scan, unsigned long flags) override {
    events.push_back({vk, scan, flags});
  }
  short KeyState(int vk) override { return vk == 20 ? caps : vk == 144 ? num : vk == 145 ? scroll : 0; }
  void Pause(unsigned long ms) override {
    pauses.push_back(ms);
    pause_marks.push_back(events.size());
  }
  Events events;
  std::vector<unsigned long> pauses;
  std::vector<size_t> pause_marks;
  short caps = 0, num = 0, scroll = 0;
};

constexpr int kShift = 16, kCtrl = 17, kAlt = 18;
constexpr unsigned long kUp = 2, kExt = 1;

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override { k_ = kz::MakeObject<Keyboard>(); }
  void TearDown() override { k_->Release(); }
  RecordingKeyboard rec_;
  ScopedSeam<KeyboardInput> use_{rec_};
  Keyboard* k_ = nullptr;
};

}  // namespace

TEST_F(KeyboardTest, PressKeySendsModifiersAroundTheKey) {
  struct Case {
    const wchar_t* key;
    Events events;
  } cases[] = {
      {L"a", {{'A', 0x10, 0}, {'A', 0x10, kUp}}},
      {L"abc", {{'A', 0x10, 0}, {'A', 0x10, kUp}}},  // the first character only
      {L"7", {{'7', 0, 0}, {'7', 0, kUp}}},
      // The shift state travels in the code given to the layout look-ups, which then find no
      // character and no scan code: the key goes as an extended key.
      {L"A", {{kShift, 0, 0}, {'A', 0, kExt}, {'A', 0, kExt | kUp}, {kShift, 0, kUp}}},
      {L"!", {{kShift, 0, 0}, {'1', 0, kExt}, {'1', 0, kExt | kUp}, {kShift, 0, kUp}}},
      {L"\x01", {{kCtrl, 0, 0}, {'A', 0, kExt}, {'A', 0, kExt | kUp}, {kCtrl, 0, kUp}}},
      // No key on the layout: the code -1 still goes out, with every modifier it names.
      {L"~",
       {{kShift, 0, 0}, {kCtrl, 0, 0}, {kAlt, 0, 0}, {0xFF, 0, kExt}, {0xFF, 0, kExt | kUp},
        {kShift, 0, kUp}, {kCtrl, 0, kUp}, {kAlt, 0, kUp}}},
      {L"", {}},
  };
  for (const auto& c : cases) {
    rec_.events.clear();
    Var key = Var::Str(c.key);
    ASSERT_EQ(Call(k_->itf(), L"PressKey", {key.get()}).error, 0);
    EXPECT_EQ(rec_.events, c.events) << kz::ToAnsi(c.key);
  }
}

TEST_F(KeyboardTest, HoldThenRelease) {
  Keyboard::TypeKey(L"A", true, false);
  EXPECT_EQ(rec_.events, (Events{{kShift, 0, 0}, {'A', 0, kExt}}));
  rec_.events.clear();
  Keyboard::TypeKey(L"A", false, true);
  EXPECT_EQ(rec_.events, (Events{{'A', 0, kExt | kUp}, {kShift, 0, kUp}}));
  rec_.events.clear();
  Keyboard::TypeKey(L"a", true, true);  // both: nothing at all
  EXPECT_TRUE(rec_.events.empty());
  // Through the interface, with the caller's Boolean variables.
  Var key = Var::Str(L"b"), hold = Var::Bool(true), release = Var::Bool(false);
  ASSERT_EQ(Call(k_->itf(), L"PressKey", {key.get(), &hold, &release}).error, 0);
  EXPECT_EQ(rec_.events, (Events{{'B', 0x11, 0}}));
  EXPECT_EQ(hold.vt(), VT_BOOL);
  EXPECT_EQ(hold.get()->boolVal, VARIANT_TRUE);
}

TEST_F(KeyboardTest, PressStringPausesBetweenCharacters) {
  Var text = Var::Str(L"ab!");
  ASSERT_EQ(Call(k_->itf(), L"PressString", {text.get()}).error, 0);
  EXPECT_EQ(rec_.events,
            (Events{{'A', 0x10, 0}, {'A', 0x10, kUp}, {'B', 0x11, 0}, {'B', 0x11, kUp}, {kShift, 0, 0},
                    {'1', 0, kExt}, {'1', 0, kExt | kUp}, {kShift, 0, kUp}}));
  EXPECT_EQ(rec_.pauses, (std::vector<unsigned long>{20, 20, 20}));
  EXPECT_EQ(rec_.pause_marks, (std::vector<size_t>{2, 4, 8}));  // after each character
  rec_.events.clear();
  rec_.pauses.clear();
  Var empty = Var::Str(L"");
  ASSERT_EQ(Call(k_->itf(), L"PressString", {empty.get()}).error, 0);
  EXPECT_TRUE(rec_.events.empty());
  EXPECT_TRUE(rec_.pauses.empty());
}

namespace {
int g_delivered = 0;
LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_APP + 7) ++g_delivered;
  return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST_F(KeyboardTest, PressStringLetsPendingMessagesRunWhenAsked) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KzKeyboardPumpTest";
  RegisterClassW(&wc);
  HWND w = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  // False, true, and left out (true).
  for (int pump : {0, 1, 2}) {
    g_delivered = 0;
    PostMessageW(w, WM_APP + 7, 0, 0);
    Var text = Var::Str(L"x"), doevents = Var::Bool(pump == 1);
    std::vector<VARIANT*> args = {text.get()};
    if (pump < 2) args.push_back(&doevents);
    ASSERT_EQ(Call(k_->itf(), L"PressString", args).error, 0);
    EXPECT_EQ(g_delivered, pump ? 1 : 0) << pump;
    MSG m;
    while (PeekMessageW(&m, w, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  DestroyWindow(w);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

TEST_F(KeyboardTest, PressKeyVK) {
  struct Case {
    long vk;
    bool hold, release, compatible;
    Events events;
  } cases[] = {
      {37, false, false, false, {{37, 0x4B, kExt}, {37, 0x4B, kExt | kUp}}},  // keyLeft
      {37, false, false, true, {{37, 0x4B, 0}, {37, 0x4B, kUp}}},
      {112, false, false, false, {{112, 0x3B, kExt}, {112, 0x3B, kExt | kUp}}},  // keyF1: no character
      {32, false, false, false, {{32, 0, 0}, {32, 0, kUp}}},                    // keySpace
      {20, true, false, true, {{20, 0x3A, 0}}},
      {20, false, true, true, {{20, 0x3A, kUp}}},
      {'A', false, false, false, {{'A', 0x10, 0}, {'A', 0x10, kUp}}},  // no modifiers are added
  };
  for (const auto& c : cases) {
    rec_.events.clear();
    Var vk = Var::Long(c.vk), hold = Var::Bool(c.hold), release = Var::Bool(c.release),
        compatible = Var::Bool(c.compatible);
    ASSERT_EQ(Call(k_->itf(), L"PressKeyVK", {vk.get(), &hold, &release, &compatible}).error, 0);
    EXPECT_EQ(rec_.events, c.events) << c.vk;
  }
}

TEST_F(KeyboardTest, VirtualKeyOutsideAByteRaises6AndSendsNothing) {
  for (long vk : {256L, -1L, 0x141L}) {
    Var v = Var::Long(vk);
    EXPECT_EQ(Call(k_->itf(), L"PressKeyVK", {v.get()}).error, 6) << vk;
  }
  EXPECT_TRUE(rec_.events.empty());
}

TEST_F(KeyboardTest, LockStatus) {
  struct Case {
    short caps, num, scroll;
    bool c, n, s;
  } cases[] = {
      {0, 0, 0, false, false, false},
      {1, 0, 0, true, false, false},
      {0, 1, -128, false, true, true},  // held down counts as well as toggled
      {-127, 1, 1, true, true, true},
  };
  for (const auto& c : cases) {
    rec_.caps = c.caps;
    rec_.num = c.num;
    rec_.scroll = c.scroll;
    Var caps = Var::Long(5), num = Var::Long(5), scroll = Var::Long(5);
    ASSERT_EQ(Call(k_->itf(), L"GetLockStatus", {&caps, &num, &scroll}).error, 0);
    auto expect = [](const Var& v, bool want) {
      EXPECT_EQ(v.vt(), VT_BOOL);
      EXPECT_EQ(v.get()->boolVal, want ? VARIANT_TRUE : VARIANT_FALSE);
    };
    expect(caps, c.c);
    expect(num, c.n);
    expect(scroll, c.s);
  }
}
