// Folder customisation through Desktop.ini and the text-file helpers, with a picture box of the
// test's own for the scrolling text.
#include "fstest.h"

#include <atomic>
#include <thread>

#include "base/text.h"
#include "com/refcounted.h"
#include "fs/clsKelzudFFTextFileA.h"
#include "fs/clsKelzudFolderDesktopINIA.h"

using namespace fst;
using kz::FolderDesktopIni;
using kz::TextFileHelper;
using kzt::TempDir;
using kzt::UnattendedLog;

namespace {

std::wstring Ini(const std::wstring& folder, const wchar_t* section, const wchar_t* key) {
  wchar_t buf[512] = {};
  GetPrivateProfileStringW(section, key, L"<none>", buf, 512, (folder + L"\\Desktop.ini").c_str());
  return buf;
}

const wchar_t kGuid[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";

}  // namespace

TEST(FsDesktopIni, WritesHidesAndMarksTheFolder) {
  TempDir t;
  std::wstring folder = t.File(L"Fotos 2024");
  MakeDir(folder);
  Ptr<FolderDesktopIni> d = Ptr<FolderDesktopIni>::Adopt(kz::MakeObject<FolderDesktopIni>());
  d->ChangeIcon(folder, L"", L"", L"", L"", 0);
  std::string text = ReadBytes(folder + L"\\Desktop.ini");
  for (size_t p; (p = text.find("\r\n\r\n")) != std::string::npos;) text.erase(p, 2);  // blank lines differ
  EXPECT_EQ(text,
            "[ExtShellFolderViews]\r\n{BE098140-A513-11D0-A3A4-00C04FD706EC}={BE098140-A513-11D0-A3A4-00C04FD706EC}\r\n"
            "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nAttributes=1\r\n");
  EXPECT_EQ(GetFileAttributesW((folder + L"\\Desktop.ini").c_str()) & 6, 6u) << "hidden and system";
  d->ChangeIcon(folder, L"C:\\icons\\a.ico", L"abc", L"My photos", L"back.bmp", 0);
  EXPECT_EQ(Ini(folder, L".ShellClassInfo", L"IconFile"), L"C:\\icons\\a.ico");
  EXPECT_EQ(Ini(folder, L".ShellClassInfo", L"IconIndex"), L"0");
  EXPECT_EQ(Ini(folder, L".ShellClassInfo", L"InfoTip"), L"My photos");
  EXPECT_EQ(Ini(folder, kGuid, L"IconArea_Image"), L"back.bmp");
  d->ChangeIcon(folder, L"", L"3", L"", L"", 0);
  EXPECT_EQ(Ini(folder, L".ShellClassInfo", L"IconIndex"), L"3");
  // A reset removes the entries, keeps other keys and the file; other values do nothing.
  WritePrivateProfileStringW(L".ShellClassInfo", L"Other", L"kept", (folder + L"\\Desktop.ini").c_str());
  d->ChangeIcon(folder, L"", L"", L"", L"", 5);
  EXPECT_EQ(Ini(folder, L".ShellClassInfo", L"IconFile"), L"C:\\icons\\a.ico");
  d->ChangeIcon(folder, L"", L"", L"", L"", -1);
  for (auto key : {L"IconFile", L"IconIndex", L"InfoTip"}) EXPECT_EQ(Ini(folder, L".ShellClassInfo", key), L"<none>");
  EXPECT_EQ(Ini(folder, L"ExtShellFolderViews", kGuid), L"<none>");
  EXPECT_EQ(Ini(folder, kGuid, L"Attributes"), L"<none>");
  EXPECT_EQ(Ini(folder, kGuid, L"IconArea_Image"), L"<none>");
  EXPECT_EQ(Ini(folder, L".ShellClassInfo", L"Other"), L"kept");
  // A missing folder raises path-not-found and writes nothing.
  try {
    d->ChangeIcon(t.File(L"missing"), L"", L"", L"", L"", 0);
    ADD_FAILURE() << "no error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 76);
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((folder + L"\\Desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FsDesktopIni, MarksTheFolderReadOnly) {
  TempDir t;
  std::wstring probe = t.File(L"probe");
  MakeDir(probe);
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  if (!(GetFileAttributesW(probe.c_str()) & FILE_ATTRIBUTE_READONLY))
    GTEST_SKIP() << "this file system keeps no read-only mark on folders (Wine)";
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  std::wstring folder = t.File(L"marked");
  MakeDir(folder);
  Ptr<FolderDesktopIni> d = Ptr<FolderDesktopIni>::Adopt(kz::MakeObject<FolderDesktopIni>());
  d->ChangeIcon(folder, L"", L"", L"", L"", 0);
  EXPECT_EQ(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_READONLY, 1u);
  d->ChangeIcon(folder, L"", L"", L"", L"", -1);
  EXPECT_EQ(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_READONLY, 1u) << "a reset keeps the mark";
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((folder + L"\\Desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FsDesktopIni, Helpers) {
  TempDir t;
  MakeFile(t.File(L"plain.txt"), "p");
  MakeFile(t.File(L"hidden.txt"), "h");
  SetFileAttributesW(t.File(L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(FolderDesktopIni::PlainFileExists(t.File(L"plain.txt")));
  EXPECT_TRUE(FolderDesktopIni::PlainFileExists(t.File(L"*.txt")));
  EXPECT_FALSE(FolderDesktopIni::PlainFileExists(t.File(L"hidden.txt")));
  EXPECT_FALSE(FolderDesktopIni::PlainFileExists(L"  "));
  EXPECT_FALSE(FolderDesktopIni::PlainFileExists(t.path()));
  MakeDir(t.File(L"sys"));
  EXPECT_FALSE(FolderDesktopIni::FolderIsSystem(t.File(L"sys")));
  SetFileAttributesW(t.File(L"sys").c_str(), FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(FolderDesktopIni::FolderIsSystem(t.File(L"sys")));
  SetFileAttributesW(t.File(L"sys").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(FolderDesktopIni::FolderIsSystem(t.File(L"sys")));
  EXPECT_FALSE(FolderDesktopIni::FolderIsSystem(t.File(L"missing")));
  SetFileAttributesW(t.File(L"sys").c_str(), FILE_ATTRIBUTE_NORMAL);
  std::wstring ini = t.File(L"x.ini"), v = L"value";
  FolderDesktopIni::Write(L"S", L"K", &v, ini);
  EXPECT_EQ(FolderDesktopIni::Read(L"S", L"K", ini), L"value");
  FolderDesktopIni::Write(L"S", L"K", nullptr, ini);
  EXPECT_EQ(FolderDesktopIni::Read(L"S", L"K", ini), L"");
  EXPECT_EQ(FolderDesktopIni::LeadingNumber(L" 12abc"), 12);
  EXPECT_EQ(FolderDesktopIni::LeadingNumber(L"x1"), 0);
  // The picker, unattended: logged with flags 3, nothing chosen.
  UnattendedLog log;
  Ptr<FolderDesktopIni> d = Ptr<FolderDesktopIni>::Adopt(kz::MakeObject<FolderDesktopIni>());
  long owner = 0;
  B title(L"Choose");
  BSTR tb = title.get(), r = nullptr;
  ASSERT_HRESULT_SUCCEEDED(d->BrowseFolder(&owner, &tb, &r));
  EXPECT_EQ(kz::FromBstr(r), L"");
  SysFreeString(r);
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0], L"FolderPicker\tChoose\t3");
}

TEST(FsTextFile, ReadWholeAndForScrolling) {
  TempDir t;
  MakeFile(t.File(L"small.txt"), std::string(32767, 'a'));
  MakeFile(t.File(L"large.txt"), std::string(32768, 'a'));
  EXPECT_EQ(TextFileHelper::ReadWhole(t.File(L"small.txt")).size(), 32767u);
  EXPECT_EQ(TextFileHelper::ReadWhole(t.File(L"large.txt")), L"");
  EXPECT_EQ(TextFileHelper::ReadWhole(t.File(L"missing.txt")), L"");
  // Each line is added with CR LF and the whole text trimmed of spaces at both ends.
  struct Case {
    std::string file;
    std::wstring text;
  } cases[] = {
      {"  first line  \r\nsecond\r\n\r\nlast  ", L"first line  \r\nsecond\r\n\r\nlast  \r\n"},
      {"", L""},
      {"   ", L"\r\n"},
      {"   \r\n  y  ", L"\r\n  y  \r\n"},
      {"\r\n\r\n x\r\n", L"\r\n\r\n x\r\n"},
      {"a\nb\rc", L"a\r\nb\r\nc\r\n"},
  };
  for (const Case& c : cases) {
    MakeFile(t.File(L"lines.txt"), c.file);
    EXPECT_EQ(TextFileHelper::ReadForScroll(t.File(L"lines.txt")), c.text) << c.file;
  }
  EXPECT_EQ(TextFileHelper::ReadForScroll(t.File(L"missing.txt")), L"Advertisement Scroll1.txt file not found!");
}

TEST(FsTextFile, ScrollTextOfALongFileTakesLinearTime) {
  TempDir t;
  std::string file;
  for (int i = 0; i < 10000; ++i) file += "  line " + std::to_string(i) + "  \r\n";
  MakeFile(t.File(L"long.txt"), file);
  DWORD t0 = GetTickCount();
  std::wstring text = TextFileHelper::ReadForScroll(t.File(L"long.txt"));
  EXPECT_LT(GetTickCount() - t0, 1000u) << "10,000 lines";
  EXPECT_EQ(text.size(), file.size() - 2);
  EXPECT_EQ(text.substr(0, 12), L"line 0  \r\n  ");
  EXPECT_EQ(text.substr(text.size() - 15), L"  line 9999  \r\n");
}

TEST(FsTextFile, NamesWithANulOrTooLongReadNothing) {
  TempDir t;
  MakeFile(t.File(L"real.txt"), "text");
  const std::wstring names[] = {t.File(L"real.txt") + std::wstring(1, L'\0') + L"x",
                                t.File(L"real.txt") + L"\\" + std::wstring(32768, L'a')};
  for (const std::wstring& n : names) {
    EXPECT_EQ(TextFileHelper::ReadWhole(n), L"") << n.size();
    EXPECT_EQ(TextFileHelper::ReadForScroll(n), L"") << n.size();
  }
}

struct DeviceRead {
  std::wstring name, whole = L"x", scroll = L"x";
};
DWORD WINAPI ReadDevice(void* p) {
  DeviceRead* j = static_cast<DeviceRead*>(p);
  j->whole = TextFileHelper::ReadWhole(j->name);
  j->scroll = TextFileHelper::ReadForScroll(j->name);
  return 0;
}

TEST(FsTextFile, DeviceNamesReadNothingAndDoNotWait) {
  // A device opened as a file can block a read for ever: each read runs on a thread of its own
  // and must come back.
  for (const wchar_t* name : {L"COM1.txt", L"CON", L"nul"}) {
    DeviceRead* job = new DeviceRead{name};
    HANDLE th = CreateThread(nullptr, 0, ReadDevice, job, 0, nullptr);
    const bool returned = WaitForSingleObject(th, 15000) == WAIT_OBJECT_0;
    CloseHandle(th);
    EXPECT_TRUE(returned) << kz::ToAnsi(name);
    if (!returned) continue;  // a read still waiting keeps its job
    EXPECT_EQ(job->whole, L"") << kz::ToAnsi(name);
    EXPECT_EQ(job->scroll, L"") << kz::ToAnsi(name);
    delete job;
  }
}

namespace {

// A picture box: hDC, ScaleWidth, ScaleHeight, Cls and Refresh, drawing into a memory bitmap
// twice as tall as the visible area (so that the text below it can be seen).
class PictureBox : public kz::RefCounted<IDispatch> {
 public:
  PictureBox() {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bmp_ = CreateCompatibleBitmap(screen, 200, 200);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bmp_);
  }
  ~PictureBox() override {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  int cls = 0, refresh = 0;
  std::function<void()> on_refresh;
  bool Inked() {
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (GetPixel(dc_, x, y) != RGB(255, 255, 255)) return true;
    return false;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    const wchar_t* known[] = {L"hDC", L"ScaleWidth", L"ScaleHeight", L"Cls", L"Refresh"};
    for (DISPID i = 0; i < 5; ++i)
      if (kz::EqualNoCase(names[0], known[i])) { ids[0] = i + 1; return S_OK; }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*, UINT*) override {
    if (r) VariantInit(r);
    switch (id) {
      case 1: r->vt = VT_I4; r->lVal = static_cast<long>(reinterpret_cast<LONG_PTR>(dc_)); return S_OK;
      case 2: r->vt = VT_I4; r->lVal = 200; return S_OK;
      case 3: r->vt = VT_I4; r->lVal = 100; return S_OK;
      case 4: {
        ++cls;
        RECT all{0, 0, 200, 200};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return S_OK;
      }
      case 5: ++refresh; if (on_refresh) on_refresh(); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

}  // namespace

TEST(FsTextFile, ScrollsUntilAStopCallOnTheSameObject) {
  Ptr<TextFileHelper> tf = Ptr<TextFileHelper>::Adopt(kz::MakeObject<TextFileHelper>());
  Ptr<PictureBox> box = Ptr<PictureBox>::Adopt(new PictureBox);
  // "STOP" returns at once and draws nothing.
  tf->Scroll(box.get(), L"STOP", 0);
  EXPECT_EQ(box->cls, 0);
  // A scroll ends when a handler of the box calls back with "stop".
  bool inked = false;
  box->on_refresh = [&] {
    if (box->refresh == 1) inked = box->Inked();
    if (box->refresh == 5) tf->Scroll(box.get(), L"stop", 0);
  };
  DWORD t0 = GetTickCount();
  tf->Scroll(box.get(), L"Buy Kelzud today", 20);
  EXPECT_EQ(box->refresh, 5);
  EXPECT_EQ(box->cls, 5);
  EXPECT_TRUE(inked) << "the text is drawn just below the visible area";
  EXPECT_GE(GetTickCount() - t0, 60u) << "steps are SCROLLINGTIME apart";
  // A box without the members raises.
  class Empty : public kz::RefCounted<IDispatch> {
   public:
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
      return DISP_E_MEMBERNOTFOUND;
    }
  };
  Ptr<IDispatch> nothing = Ptr<IDispatch>::Adopt(new Empty);
  try {
    tf->Scroll(nothing.get(), L"text", 0);
    ADD_FAILURE() << "no error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 438);
  }
}

TEST(FsTextFile, ANegativeStepTimeScrollsWithoutWaiting) {
  Ptr<TextFileHelper> tf = Ptr<TextFileHelper>::Adopt(kz::MakeObject<TextFileHelper>());
  Ptr<PictureBox> box = Ptr<PictureBox>::Adopt(new PictureBox);
  box->on_refresh = [&] {
    if (box->refresh == 20) tf->Scroll(box.get(), L"stop", 0);
  };
  // A message every two seconds, so that a wait without a time limit still ends.
  const DWORD me = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::thread poster([&] {
    for (int i = 1; !done; ++i) {
      Sleep(50);
      if (i % 40 == 0) PostThreadMessageW(me, WM_NULL, 0, 0);
    }
  });
  DWORD t0 = GetTickCount();
  tf->Scroll(box.get(), L"Buy Kelzud today", -1);
  DWORD took = GetTickCount() - t0;
  done = true;
  poster.join();
  EXPECT_EQ(box->refresh, 20);
  EXPECT_LT(took, 1500u) << "a negative time is no time";
}
