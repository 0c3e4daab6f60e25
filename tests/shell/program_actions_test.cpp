// The program and entry actions: commands run one after another and waited for, programs and
// files opened without waiting, programs that cannot be started or never end, and namespace
// entries made from action lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "frame/modules.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "platform/programs.h"
#include "shell/clsKelzudCplDtopEntriesA.h"
#include "testkit.h"

using namespace kzt;
using kz::IniFileHandler;

namespace {

const std::wstring kSleeper = L"kzt_sleeper.exe";

// The lines of a sleeper log, without their process numbers.
std::vector<std::string> Events(const std::wstring& log) {
  std::vector<std::string> out;
  std::string text = FileExists(log) ? kz::ToAnsi(ReadFileText(log)) : std::string();
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    std::string line = text.substr(at, end - at);
    if (line.rfind("start ", 0) == 0) line = line.substr(0, line.find(' ', 6));
    out.push_back(line);
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return out;
}

// Waits up to `ms` for the log to hold `line`.
bool WaitForLine(const std::wstring& log, const std::string& line, DWORD ms) {
  for (DWORD waited = 0;; waited += 50) {
    for (const std::string& l : Events(log))
      if (l == line) return true;
    if (waited >= ms) return false;
    Sleep(50);
  }
}

// The process number a sleeper logged at its start.
DWORD LoggedPid(const std::wstring& log, const std::string& name) {
  std::string text = FileExists(log) ? kz::ToAnsi(ReadFileText(log)) : std::string();
  size_t at = text.find("start " + name + " ");
  return at == std::string::npos ? 0 : strtoul(text.c_str() + at + 7 + name.size(), nullptr, 10);
}

class ProgramActions : public ::testing::Test {
 protected:
  ProgramActions() {
    h_ = kz::MakeObject<IniFileHandler>();
    h_->set_path(dir_.File(L"actions.ini"));
  }
  ~ProgramActions() override { h_->Release(); }
  void Section(const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    std::string text = "[Run]\r\n";
    for (auto& l : lines) text += kz::ToAnsi(l.first) + "=" + kz::ToAnsi(l.second) + "\r\n";
    WriteFileText(h_->path(), text);
    h_->set_section(L"Run");
  }
  // A sleeper command: sleeps `ms`, logs under `name`.
  std::wstring Sleeper(long ms, const wchar_t* name, bool full_path = true) const {
    return (full_path ? ProgramFolder() + L"\\" : L"") + kSleeper + L" " + std::to_wstring(ms) + L" " + log() + L" " +
           name;
  }
  std::wstring log() const { return dir_.File(L"events.log"); }
  // An action called late-bound with sParamB, lParamC and vParamD.
  CallResult Run(const wchar_t* method, const std::wstring& b, Var& c, const Var& d) {
    Var a = Var::Long(0), bb = Var::Str(b), dd = d;
    return Call(h_->itf(), method, {a.get(), bb.get(), c.get(), dd.get()});
  }
  TempDir dir_;
  IniFileHandler* h_ = nullptr;
};

TEST_F(ProgramActions, EachCommandRunsToItsEndBeforeTheNext) {
  // sParamB goes in front of every line's command.
  Section({{L"a", Sleeper(700, L"one", false)}, {L"empty", L""}, {L"b", Sleeper(100, L"two", false)}});
  Var c = Var::Long(0);
  CallResult r = Run(L"PalsSSEXEA", ProgramFolder() + L"\\", c, Var());
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  EXPECT_EQ(Events(log()), (std::vector<std::string>{"start one", "end one", "start two", "end two"}));
  EXPECT_NE(c.get()->lVal, 0) << "the wait handle of the last program";
  EXPECT_EQ(h_->key(), L"b");
}

TEST_F(ProgramActions, ACommandInVParamDReplacesEveryLine) {
  Section({{L"x", L"ignored.exe"}, {L"y", L"ignored.exe"}});
  Var c = Var::Long(0);
  CallResult r = Run(L"PalsSSEXEA", L"Z:\\nowhere\\", c, Var::Str(Sleeper(50, L"same")));
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(Events(log()), (std::vector<std::string>{"start same", "end same", "start same", "end same"}));
  // Left out, Empty or empty text: each line's own command.
  for (Var d : {Var::Missing(), Var(), Var::Str(L"")}) {
    DeleteFileW(log().c_str());
    Section({{L"x", Sleeper(10, L"own")}});
    EXPECT_EQ(Run(L"PalsSSEXEA", L"", c, d).error, 0);
    EXPECT_EQ(Events(log()), (std::vector<std::string>{"start own", "end own"}));
  }
}

TEST_F(ProgramActions, AProgramThatCannotStartEndsTheAction) {
  const std::wstring missing = dir_.File(L"no-such-program.exe");
  Section({{L"a", Sleeper(10, L"first")}, {L"b", missing + L" /x"}, {L"c", Sleeper(10, L"never")}});
  Var c = Var::Long(0);
  CallResult r = Run(L"PalsSSEXEA", L"", c, Var());
  EXPECT_EQ(r.error, 53);
  EXPECT_EQ(r.source, L"Kelzud10.clsKelzudINIFileHandler1A");
  EXPECT_EQ(Events(log()), (std::vector<std::string>{"start first", "end first"}));
  EXPECT_EQ(h_->key(), L"b");
  Section({{L"a", dir_.File(L"no\\such\\folder\\x.exe")}});
  EXPECT_EQ(Run(L"PalsSSEXEA", L"", c, Var()).error, 53);
}

struct WaitArgs {
  IniFileHandler* h;
  long error = -1;
};
DWORD WINAPI RunWaiting(void* p) {
  auto* w = static_cast<WaitArgs*>(p);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  long a = 0, c = 0;
  BSTR b = nullptr;
  VARIANT d, pv, ret;
  VariantInit(&d);
  VariantInit(&pv);
  VariantInit(&ret);
  HRESULT hr = w->h->PalsSSEXEA(&a, &b, &c, &d, &pv, &ret);
  w->error = SUCCEEDED(hr) ? 0 : HRESULT_CODE(hr);
  CoUninitialize();
  return 0;
}

TEST_F(ProgramActions, TheWaitLastsAsLongAsTheProgram) {
  Section({{L"forever", Sleeper(-1, L"forever")}});
  WaitArgs args{h_};
  HANDLE worker = CreateThread(nullptr, 0, RunWaiting, &args, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  // Whatever happens below, the program that never ends is ended, and the worker with it. The
  // program is held by its handle from the moment it is known: Wine hands an ended program's
  // id to the next process soon, so ending "the logged id" later could end a stranger.
  struct Ending {
    const std::wstring log;
    HANDLE worker;
    HANDLE program = nullptr;
    HANDLE Program() {
      if (!program)
        if (DWORD pid = LoggedPid(log, "forever")) program = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
      return program;
    }
    void End() {
      if (!Program()) return;
      TerminateProcess(program, 9);
      WaitForSingleObject(program, 10000);
    }
    ~Ending() {
      End();
      if (program) CloseHandle(program);
      WaitForSingleObject(worker, 10000);
      CloseHandle(worker);
    }
  } ending{log(), worker};
  ASSERT_TRUE(WaitForLine(log(), "start forever", 20000));
  ASSERT_NE(ending.Program(), nullptr);
  EXPECT_EQ(WaitForSingleObject(worker, 1500), static_cast<DWORD>(WAIT_TIMEOUT)) << "returned while the program ran";
  ending.End();
  EXPECT_EQ(WaitForSingleObject(worker, 10000), static_cast<DWORD>(WAIT_OBJECT_0)) << "still waiting after the end";
  EXPECT_EQ(args.error, 0);
}

TEST_F(ProgramActions, OpeningDoesNotWait) {
  Section({{L"a", ProgramFolder() + L"\\" + kSleeper + L"," + L"3000 " + log() + L" late"}});
  Var c = Var::Long(0);
  CallResult r = Run(L"PalsSSEXENOWAIT", L"", c, Var());
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_TRUE(WaitForLine(log(), "start late", 20000));
  EXPECT_FALSE(WaitForLine(log(), "end late", 0)) << "the action waited for the program";
  EXPECT_TRUE(WaitForLine(log(), "end late", 20000));
}

struct Opened {
  std::wstring file, parameters;
  int show;
};
struct RecordingPrograms : kz::Programs {
  std::vector<Opened> opened;
  DWORD Start(const std::wstring&, DWORD*, kz::KernelHandle*) override { return ERROR_ACCESS_DENIED; }
  long Open(HWND, const std::wstring& file, const std::wstring& parameters, int show) override {
    opened.push_back({file, parameters, show});
    return 42;
  }
};

TEST_F(ProgramActions, OpenLinesExpandTheFileAndHandOnTheParameters) {
  const std::wstring name = UniqueName(L"KZT_", L"DOCS");
  ProcessVariable docs(name.c_str(), L"C:\\Docs");
  RecordingPrograms rec;
  kz::ScopedSeam<kz::Programs> use(rec);
  Section({{L"a", L"%" + name + L"%\\readme.txt,"}, {L"x", L"calc.exe,/p q"}, {L"y", L"x%" + name + L"%,"}});
  Var c = Var::Long(0);
  CallResult r = Run(L"PalsSSEXENOWAIT", L"", c, Var());
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  ASSERT_EQ(rec.opened.size(), 3u);
  EXPECT_EQ(rec.opened[0].file, L"C:\\Docs\\readme.txt");
  EXPECT_EQ(rec.opened[0].parameters, L"");
  EXPECT_EQ(rec.opened[0].show, SW_SHOWNORMAL);
  EXPECT_EQ(rec.opened[1].file, L"calc.exe");
  EXPECT_EQ(rec.opened[1].parameters, L"/p q");
  EXPECT_EQ(rec.opened[2].file, L"x%" + name + L"%");
  // A line without its parameters field ends the action before anything is opened for it.
  rec.opened.clear();
  Section({{L"a", L"first.txt,"}, {L"b", L"readme.txt"}, {L"c", L"never.txt,"}});
  r = Run(L"PalsSSEXENOWAIT", L"", c, Var());
  EXPECT_EQ(r.error, 9);
  ASSERT_EQ(rec.opened.size(), 1u);
  EXPECT_EQ(rec.opened[0].file, L"first.txt");
  // A program that is not there: the shell's answer is not an error of the action.
  kz::ScopedSeam<kz::Programs> real(kz::SeamDefault<kz::Programs>());
  UnattendedLog boxes;
  Section({{L"a", dir_.File(L"missing.exe") + L","}});
  EXPECT_EQ(Run(L"PalsSSEXENOWAIT", L"", c, Var()).error, 0);
  ASSERT_EQ(boxes.Records().size(), 1u) << "the shell's error is logged, not shown";
  EXPECT_NE(boxes.Records()[0].find(L"missing.exe"), std::wstring::npos);
}

TEST_F(ProgramActions, EntryLinesCreateNamespaceEntries) {
  GUID id{};
  CoCreateGuid(&id);
  wchar_t gbuf[64] = {};
  StringFromGUID2(id, gbuf, 64);
  const std::wstring g = gbuf, cls = L"CLSID\\" + g;
  const std::wstring name = UniqueName(L"KZT_", L"APP");
  ProcessVariable app(name.c_str(), L"C:\\Kz App");
  struct Cleanup {
    std::wstring g;
    ~Cleanup() {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + g).c_str());
      RegDeleteKeyW(HKEY_CLASSES_ROOT, (L"CLSID\\" + g).c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kz::CplDtopEntries::kDesktopNameSpace + g).c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kz::CplDtopEntries::kControlPanelNameSpace + g).c_str());
    }
  } cleanup{g};
  auto text = [](HKEY root, const std::wstring& path, const wchar_t* value) {
    wchar_t buf[512] = {};
    DWORD size = sizeof buf;
    if (RegGetValueW(root, path.c_str(), value, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
      return std::wstring(L"<absent>");
    return std::wstring(buf);
  };
  // Empty icon: the program with ",0"; arguments follow the program in the command only.
  Section({{L"a", g + L"^Kz Item^Its tip^^%" + name + L"%\\app.exe^TRUE^0^/s x"}});
  Var c = Var::Long(0);
  CallResult r = Run(L"PalsRCplDtopEntries", L"", c, Var());
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls, L""), L"Kz Item");
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls, L"InfoTip"), L"Its tip");
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls + L"\\DefaultIcon", L""), L"C:\\Kz App\\app.exe,0");
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls + L"\\Shell\\Open\\Command", L""), L"C:\\Kz App\\app.exe /s x");
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kz::CplDtopEntries::kDesktopNameSpace + g, L""), L" ");
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kz::CplDtopEntries::kControlPanelNameSpace + g, L""), L"<absent>");
  // A given icon is kept; no arguments: the program alone. Code 41 reaches the same action.
  Section({{L"a", g + L"^T^^icons.dll,3^C:\\p.exe^false^-1^"}});
  Var code = Var::Long(41);
  r = Call(h_->itf(), L"Pals", {code.get()});
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls + L"\\DefaultIcon", L""), L"icons.dll,3");
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls + L"\\Shell\\Open\\Command", L""), L"C:\\p.exe");
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls, L"InfoTip"), L" ");
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kz::CplDtopEntries::kControlPanelNameSpace + g, L""), L" ");
  // Too few fields, and a switch that is no Boolean.
  Section({{L"a", g + L"^T^^^C:\\p.exe^true^true"}});
  EXPECT_EQ(Run(L"PalsRCplDtopEntries", L"", c, Var()).error, 9);
  Section({{L"a", g + L"^Other^^^C:\\p.exe^maybe^true^"}});
  EXPECT_EQ(Run(L"PalsRCplDtopEntries", L"", c, Var()).error, 13);
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, cls, L""), L"T");
}

}  // namespace
