// The drive-selection form as a real window on the run's virtual display: it is opened on a
// thread of its own (the chosen drive belongs to that thread), found, read through its child
// windows, and driven with window messages as a person would drive it.
#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "base/seam.h"
#include "base/text.h"
#include "frame/modules.h"
#include "fs/frmCusDrvA.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "platform/ui.h"
#include "platform/volumes.h"
#include "testkit.h"

namespace {

using namespace kz::cusdrv;

constexpr unsigned long long kGB = 1073741824ull;

// Drives as the form should list them: C: the Windows drive, D: a CD-ROM with a disc, E: a disk
// with 100 MB free, F: a roomy data disk, G: a CD-ROM without a disc.
class FormDrives : public kz::Volumes {
 public:
  std::wstring LogicalDriveStrings() override { return std::wstring(L"C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0", 20); }
  unsigned DriveType(const std::wstring& root) override {
    switch (root.empty() ? 0 : towupper(root[0])) {
      case L'C': case L'E': case L'F': return DRIVE_FIXED;
      case L'D': case L'G': return DRIVE_CDROM;
      default: return DRIVE_NO_ROOT_DIR;
    }
  }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long* serial,
                         std::wstring* fs) override {
    const wchar_t* names[] = {L"SYSTEM", L"KZDISC", L"SMALL", L"DATA"};
    wchar_t c = root.empty() ? 0 : static_cast<wchar_t>(towupper(root[0]));
    if (c < L'C' || c > L'F') return false;
    if (label) *label = names[c - L'C'];
    if (serial) *serial = 7;
    if (fs) *fs = L"NTFS";
    return true;
  }
  bool HasDiskFreeSpaceEx() override { return true; }
  bool DiskFreeSpaceEx(const std::wstring& root, unsigned long long* available, unsigned long long* total,
                       unsigned long long* free) override {
    switch (root.empty() ? 0 : towupper(root[0])) {
      case L'C': *total = 500000000000ull; *free = 200000000000ull; break;
      case L'D': *total = 700000000ull; *free = 0; break;
      case L'E': *total = 2 * kGB; *free = 100ull * 1048576; break;
      case L'F': *total = 1000 * kGB; *free = 900 * kGB; break;
      default: return false;
    }
    *available = *free;
    return true;
  }
  bool DiskFreeSpace(const std::wstring&, unsigned long*, unsigned long*, unsigned long*, unsigned long*) override {
    return false;
  }
  std::wstring ShareName(const std::wstring&) override { return std::wstring(); }
};

// Message boxes as a person answers them with OK, recorded.
class RecordedBoxes : public kz::MessageBoxes {
 public:
  int Show(const std::wstring& text, long style, const std::wstring& title) override {
    std::lock_guard<std::mutex> hold(lock_);
    boxes_.push_back(std::to_wstring(style) + L"|" + title + L"|" + text);
    return IDOK;
  }
  std::vector<std::wstring> boxes() {
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
  }

 private:
  std::mutex lock_;
  std::vector<std::wstring> boxes_;
};

std::wstring Text(HWND h) {
  wchar_t buf[1024] = {};
  GetWindowTextW(h, buf, 1024);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return kz::UpperCase(buf);
}

BOOL CALLBACK CollectChild(HWND h, LPARAM p) {
  auto* out = reinterpret_cast<std::vector<HWND>*>(p);
  if (GetParent(h) == out->front()) out->push_back(h);
  return TRUE;
}

// The child windows whose parent is the form itself.
std::vector<HWND> DirectChildren(HWND form) {
  std::vector<HWND> found{form};
  EnumChildWindows(form, &CollectChild, reinterpret_cast<LPARAM>(&found));
  found.erase(found.begin());
  return found;
}

// The visible form window of a thread (other test programs may show theirs meanwhile), waited
// for up to `ms`.
HWND FindForm(DWORD thread, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND h = nullptr;
    while ((h = FindWindowExW(nullptr, h, kFormClass, nullptr)) != nullptr) {
      if (GetWindowThreadProcessId(h, nullptr) == thread && IsWindowVisible(h)) return h;
    }
    if (GetTickCount() - start >= ms) return nullptr;
    Sleep(20);
  }
}

// The form, shown on a thread of its own; the drive chosen on that thread once it closed.
class FormThread {
 public:
  FormThread() {
    thread_ = CreateThread(nullptr, 0, &FormThread::Main, this, 0, &id_);
  }
  ~FormThread() {
    if (thread_) {
      if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
        HWND f = Find(0);
        if (f) PostMessageW(f, WM_CLOSE, 0, 0);
        WaitForSingleObject(thread_, 10000);
      }
      CloseHandle(thread_);
    }
  }
  // The form window of this thread, waited for up to `ms`.
  HWND Find(DWORD ms = 10000) const { return FindForm(id_, ms); }
  // Waits for the form to close; false when it is still open after `ms`.
  bool Closed(DWORD ms = 10000) { return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }
  const std::wstring& chosen() const { return chosen_; }

 private:
  static DWORD WINAPI Main(void* p) {
    auto* self = static_cast<FormThread*>(p);
    CoInitialize(nullptr);
    ShowForm();
    self->chosen_ = ChosenDrive();
    ReleaseChosenDrive();
    CoUninitialize();
    return 0;
  }
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
  std::wstring chosen_;
};

class DriveFormWindow : public ::testing::Test {
 protected:
  DriveFormWindow() : attended_(L"KELZUD10_UNATTENDED", nullptr), volumes_(drives_), message_boxes_(boxes_) {}

  static HWND Child(HWND form, int id) { return GetDlgItem(form, id); }
  // Selects the drive list's entry for `letter` and tells the form, as a click in the list does.
  static void Choose(HWND form, wchar_t letter) {
    HWND list = Child(form, kDriveList);
    wchar_t prefix[3] = {static_cast<wchar_t>(towlower(letter)), L':', 0};
    LRESULT at = SendMessageW(list, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix));
    ASSERT_GE(at, 0) << "no entry for the drive";
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(kDriveList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  static void Press(HWND form, int button) { SendMessageW(Child(form, button), BM_CLICK, 0, 0); }

  kzt::ProcessVariable attended_;
  FormDrives drives_;
  kz::ScopedSeam<kz::Volumes> volumes_;
  RecordedBoxes boxes_;
  kz::ScopedSeam<kz::MessageBoxes> message_boxes_;
};

const wchar_t kCDescription[] =
    L"DriveType  : Fixed\r\nVolumeName : SYSTEM\r\nShareName  : \r\n"
    L"FreeSpace  : 186.26 GB , 190734.863 MB , 195312500 KB\r\n"
    L"TotalSize  : 465.66 GB , 476837.158 MB , 488281250 KB\r\n";

TEST_F(DriveFormWindow, CaptionControlsAndTextsThenCancel) {
  FormThread t;
  HWND form = t.Find();
  ASSERT_NE(form, nullptr) << "the form did not appear";
  EXPECT_EQ(Text(form), L"Select Drive");
  EXPECT_TRUE(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the form is not kept on top";

  struct Expected {
    int id;
    const wchar_t* cls;
    std::wstring text;
  };
  const Expected expected[] = {
      {kHeading, L"STATIC", L"in which drive you want to keep all data and settings of Plinvek programs?"},
      {kCurrentDriveLabel, L"STATIC", L"&Current Drive"},
      {kCurrentDrive, L"EDIT", L"C:\\"},
      {kSelectDriveLabel, L"STATIC", L"&Select Drive"},
      {kDriveList, L"COMBOBOX", L"c: [SYSTEM]"},
      {kStatus, L"STATIC", kCDescription},
      {kOk, L"BUTTON", L"&OK"},
      {kCancel, L"BUTTON", L"&Cancel"},
  };
  // Every child window is one of these, each is there once.
  std::vector<HWND> children = DirectChildren(form);
  EXPECT_EQ(children.size(), sizeof expected / sizeof expected[0]);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    HWND c = Child(form, e.id);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(std::find(children.begin(), children.end(), c), children.end());
    EXPECT_EQ(ClassOf(c), e.cls);
    EXPECT_EQ(Text(c), e.text);
    EXPECT_TRUE(IsWindowVisible(c));
  }
  // The drive list holds every drive, with its label where it has one.
  HWND list = Child(form, kDriveList);
  std::vector<std::wstring> items;
  for (LRESULT i = 0, n = SendMessageW(list, CB_GETCOUNT, 0, 0); i < n; ++i) {
    wchar_t buf[256] = {};
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    items.push_back(buf);
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L"c: [SYSTEM]", L"d: [KZDISC]", L"e: [SMALL]", L"f: [DATA]", L"g:"}));

  // Another drive shows its own description; a CD-ROM drive without a disc only its name.
  Choose(form, L'F');
  EXPECT_EQ(Text(Child(form, kStatus)).substr(0, 31), L"DriveType  : Fixed\r\nVolumeName ");
  EXPECT_NE(Text(Child(form, kStatus)).find(L"FreeSpace  : 900 GB , 921600 MB , 943718400 KB\r\n"), std::wstring::npos);
  Choose(form, L'G');
  EXPECT_EQ(Text(Child(form, kStatus)), L"g:");

  Press(form, kCancel);
  ASSERT_TRUE(t.Closed());
  EXPECT_EQ(t.chosen(), L"") << "Cancel chose a drive";
  EXPECT_FALSE(IsWindow(form));
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(DriveFormWindow, OkWithARoomyDriveChoosesIt) {
  FormThread t;
  HWND form = t.Find();
  ASSERT_NE(form, nullptr);
  // Too little room first: refused, the form stays, the Windows drive becomes the choice.
  Choose(form, L'E');
  Press(form, kOk);
  EXPECT_FALSE(t.Closed(300)) << "the form closed on a refused drive";
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0],
            L"64|No Free Space|Selected drive should contains at least 1 GB free space, please selected another drive");
  EXPECT_EQ(Text(Child(form, kDriveList)).substr(0, 2), L"e:") << "the refreshed list keeps the drive";
  Choose(form, L'F');
  Press(form, kOk);
  ASSERT_TRUE(t.Closed());
  EXPECT_EQ(t.chosen(), L"F:");
  EXPECT_EQ(boxes_.boxes().size(), 1u);
}

TEST_F(DriveFormWindow, ACdromDriveIsRefusedAndLeavesTheWindowsDrive) {
  FormThread t;
  HWND form = t.Find();
  ASSERT_NE(form, nullptr);
  Choose(form, L'D');
  Press(form, kOk);
  EXPECT_FALSE(t.Closed(300));
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0], L"64|Invalid Drive|Selected drive is not valid drive, please selected another drive");
  // Esc closes the form; the choice the refusal left stands.
  PostMessageW(Child(form, kDriveList), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(t.Closed());
  EXPECT_EQ(t.chosen(), L"C:");
}

TEST_F(DriveFormWindow, EscOnAFreshFormChoosesNothing) {
  FormThread t;
  HWND form = t.Find();
  ASSERT_NE(form, nullptr);
  PostMessageW(Child(form, kDriveList), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(t.Closed());
  EXPECT_EQ(t.chosen(), L"");
  EXPECT_TRUE(boxes_.boxes().empty());
}

// The environment action's "cusdrv" token, on a thread of its own: the action waits on the form,
// and the drive chosen there becomes the line's variable.
class ActionThread {
 public:
  explicit ActionThread(std::wstring ini) : ini_(std::move(ini)) {
    thread_ = CreateThread(nullptr, 0, &ActionThread::Main, this, 0, &id_);
  }
  ~ActionThread() {
    if (thread_) CloseHandle(thread_);
  }
  DWORD id() const { return id_; }
  bool Done(DWORD ms = 10000) { return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }
  long error() const { return error_; }

 private:
  static DWORD WINAPI Main(void* p) {
    auto* self = static_cast<ActionThread*>(p);
    CoInitialize(nullptr);
    {
      kz::IniFileHandler* h = kz::MakeObject<kz::IniFileHandler>();
      h->set_path(self->ini_);
      h->set_section(L"Env");
      kz::Var code = kz::Var::Long(0);
      self->error_ = kzt::Call(h->itf(), L"Pals", {code.get()}).error;
      h->Release();
    }
    ReleaseChosenDrive();
    CoUninitialize();
    return 0;
  }
  std::wstring ini_;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
  long error_ = -1;
};

std::wstring FamilyVariable(const std::wstring& name) {
  long scope = 2;
  std::wstring n = name;
  kz::Var flag = kz::Var::Long(0);
  return kz::KelEnvironGet(scope, n, *flag.get());
}
void SetFamilyVariable(const std::wstring& name, const std::wstring& value) {
  long scope = 2;
  std::wstring n = name, v = value;
  kz::KelEnvironSet(scope, n, v);
}

TEST_F(DriveFormWindow, TheEnvironmentActionTakesTheDriveChosenOnTheForm) {
  kzt::TempDir dir;
  const std::wstring ini = dir.File(L"env.ini");
  kzt::WriteFileText(ini, "[Env]\r\nKZT_FORMDRV=cusdrv,cmd,,\r\n");
  ActionThread action(ini);
  HWND form = FindForm(action.id(), 10000);
  ASSERT_NE(form, nullptr) << "the action showed no form";
  EXPECT_EQ(Text(form), L"Select Drive");
  EXPECT_FALSE(action.Done(0)) << "the action went on while the form was open";
  Choose(form, L'F');
  Press(form, kOk);
  ASSERT_TRUE(action.Done());
  EXPECT_EQ(action.error(), 0);
  EXPECT_EQ(FamilyVariable(L"KZT_FORMDRV"), L"F:\\");
  for (const wchar_t* n : {L"KZT_FORMDRV", L"VQENVFWINOS", L"VQENVFCOMPUTER", L"VQENVFUSER", L"VQENVFVARDELLECREATED"})
    SetFamilyVariable(n, L"");
  EXPECT_TRUE(boxes_.boxes().empty());
}

// The form on the prefix's real drives. With KZ_FORM_HOLD_MS set it stays open that long, so
// that a screenshot can be taken of it.
TEST(DriveFormRealDrives, ListsTheWindowsDrive) {
  kzt::ProcessVariable attended(L"KELZUD10_UNATTENDED", nullptr);
  RecordedBoxes boxes;
  kz::ScopedSeam<kz::MessageBoxes> use(boxes);
  FormThread t;
  HWND form = t.Find();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Text(GetDlgItem(form, kCurrentDrive)), L"C:\\");
  EXPECT_EQ(Text(GetDlgItem(form, kDriveList)).substr(0, 2), L"c:");
  EXPECT_EQ(Text(GetDlgItem(form, kStatus)).substr(0, 20), L"DriveType  : Fixed\r\n");
  if (const char* hold = getenv("KZ_FORM_HOLD_MS")) Sleep(static_cast<DWORD>(atol(hold)));
  SendMessageW(GetDlgItem(form, kOk), BM_CLICK, 0, 0);
  ASSERT_TRUE(t.Closed());
  EXPECT_EQ(t.chosen(), L"C:");
  EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
