// The folder picker: unattended it is logged and cancelled; attended it goes through the picker
// seam with the owner's hWnd; and once the real picker is chosen from by window messages.
#include <thread>

#include "fstest.h"

#include <shlobj.h>
#include "base/text.h"
#include "com/refcounted.h"
#include "platform/pickers.h"

using namespace fst;
using kzt::TempDir;
using kzt::UnattendedLog;

namespace {

struct Attended {
  Attended() {
    wchar_t buf[1024];
    DWORD n = GetEnvironmentVariableW(L"KELZUD10_UNATTENDED", buf, 1024);
    if (n && n < 1024) saved.assign(buf, n);
    SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", nullptr);
  }
  ~Attended() { SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", saved.empty() ? nullptr : saved.c_str()); }
  std::wstring saved;
};

struct FakePicker : kz::FolderPickers {
  HWND owner = nullptr;
  std::wstring title;
  unsigned flags = 0;
  bool choose = true;
  bool Pick(HWND o, const std::wstring& t, unsigned f, std::wstring* path) override {
    owner = o, title = t, flags = f;
    if (!choose) return false;
    *path = std::wstring(L"C:\\Chosen\0junk", 14);
    return true;
  }
};

// A client form: an object with an hWnd property.
class Form : public kz::RefCounted<IDispatch> {
 public:
  explicit Form(long hwnd) : hwnd_(hwnd) {}
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    if (kz::EqualNoCase(names[0], L"hWnd")) { ids[0] = 1; return S_OK; }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*, UINT*) override {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    r->vt = VT_I4;
    r->lVal = hwnd_;
    return S_OK;
  }
 private:
  long hwnd_;
};

}  // namespace

TEST(FsPicker, UnattendedIsLoggedAndCancelled) {
  UnattendedLog log;
  FakePicker fake;
  kz::ScopedSeam<kz::FolderPickers> use(fake);
  Ptr<FileSystem> fs = NewFs();
  EXPECT_EQ(fs->Browse(nullptr, L"Pick the data folder"), L"");
  EXPECT_TRUE(fake.title.empty()) << "the picker is not shown";
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0], L"FolderPicker\tPick the data folder\t1");
}

TEST(FsPicker, AttendedGoesThroughThePickerWithTheFormAsOwner) {
  Attended a;
  FakePicker fake;
  kz::ScopedSeam<kz::FolderPickers> use(fake);
  Ptr<FileSystem> fs = NewFs();
  Ptr<IDispatch> form = Ptr<IDispatch>::Adopt(new Form(0x1234));
  EXPECT_EQ(fs->Browse(form.get(), L"Where?"), L"C:\\Chosen");
  EXPECT_EQ(fake.owner, reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234)));
  EXPECT_EQ(fake.title, L"Where?");
  EXPECT_EQ(fake.flags, 1u);
  fake.choose = false;
  EXPECT_EQ(fs->Browse(nullptr, L""), L"");
  EXPECT_EQ(fake.owner, nullptr);
}

namespace {

struct PickerSearch { DWORD pid; HWND found; };

// A named CALLBACK: on x86 a lambda cannot take the stdcall convention EnumWindows needs.
BOOL CALLBACK MatchPicker(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<PickerSearch*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (pid == s->pid && wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// The text of the picker's selected tree item ("" while there is none).
std::wstring SelectedName(HWND dlg) {
  HWND tree = FindWindowExW(dlg, nullptr, L"SysTreeView32", nullptr);
  if (!tree) return L"";
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return L"";
  wchar_t text[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}

HWND FindPicker() {
  PickerSearch s{GetCurrentProcessId(), nullptr};
  EnumWindows(MatchPicker, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

TEST(FsPicker, TheRealPickerChoosesAFolder) {
  if (kz::fsx::TrimSpaces([] {
        wchar_t b[256] = {};
        GetEnvironmentVariableW(L"DISPLAY", b, 256);
        return std::wstring(b);
      }()).empty())
    GTEST_SKIP() << "needs the virtual display (DISPLAY is not set)";
  Attended a;
  TempDir t;
  std::wstring target = t.File(L"chosen one");
  MakeDir(target);
  bool seen = false;
  // Another thread finds the picker, selects the folder and presses OK, as a person would. The
  // picker fills its tree after it shows, so the selection is made again until it has settled.
  std::thread person([&] {
    for (int i = 0; i < 200; ++i) {
      HWND dlg = FindPicker();
      if (dlg) {
        seen = true;
        // Select until the tree shows the folder as its selection (a fresh prefix fills the
        // tree slowly), for at most 20 seconds.
        for (int k = 0; k < 80 && SelectedName(dlg) != L"chosen one"; ++k) {
          SendMessageW(dlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(target.c_str()));
          Sleep(250);
        }
        Sleep(300);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(50);
    }
  });
  DWORD t0 = GetTickCount();
  Ptr<FileSystem> fs = NewFs();
  std::wstring chosen = fs->Browse(nullptr, L"Pick a folder");
  DWORD took = GetTickCount() - t0;
  person.join();
  // Wine's desktop belongs to the prefix's first process: when that one started without the
  // display, no window of a later process can be shown and the picker returns at once.
  if (!seen && chosen.empty() && took < 2000)
    GTEST_SKIP() << "the Wine desktop of this prefix was started without the display; run this test with the "
                    "display set before the prefix's first program";
  EXPECT_TRUE(seen) << "the picker was shown";
  EXPECT_TRUE(kz::EqualNoCase(chosen, target)) << "chosen: [" << kz::ToAnsi(chosen) << "]";
}
