// The per-thread call stack, the run-time error report, the event-log writer and the error
// message box.
#include <thread>

#include "base/text.h"
#include "platform/eventlog.h"
#include "services/basKelzudCallStackA.h"
#include "services/clsKelzudErrorHandlerA.h"
#include "services/clsKelzudFileSearchEventLogA.h"
#include "testkit.h"

using namespace kzt;

namespace {

struct Entry {
  std::string server, source;
  unsigned short type;
  unsigned long id;
  std::string text;
};

class RecordingLog : public kz::EventLog {
 public:
  bool Report(const std::string& server, const std::string& source, unsigned short type, unsigned long id,
              const std::string& text) override {
    entries.push_back(Entry{server, source, type, id, text});
    return answer;
  }
  std::vector<Entry> entries;
  bool answer = true;
};

// Empties this thread's stack before and after a test.
struct FreshStack {
  FreshStack() { kz::ReleaseCallStack(); }
  ~FreshStack() { kz::ReleaseCallStack(); }
};

}  // namespace

TEST(CallStack, TextListsTheMostRecentEntryFirst) {
  FreshStack fresh;
  EXPECT_EQ(kz::CallStackText(), L"");
  kz::PushCallStack(L"Search", L"SearchFiles", L"FilePath: C:\\x", L"");
  EXPECT_EQ(kz::CallStackText(), L"\tModule:   Search\r\n\tMethod:   SearchFiles(FilePath: C:\\x)\r\n\tGlobal:   \r\n\r\n");
  kz::PushCallStack(L"M2", L"Second", L"", L"g");
  EXPECT_EQ(kz::CallStackText().rfind(L"\tModule:   M2\r\n\tMethod:   Second()\r\n\tGlobal:   g\r\n\r\n\tModule:   Search", 0),
            0u);
  kz::PopCallStack();
  kz::PopCallStack();
  kz::PopCallStack();  // only the sentinel is left: nothing happens
  EXPECT_EQ(kz::CallStackDepth(), 0);
  EXPECT_EQ(kz::CallStackText(), L"");
}

TEST(CallStack, EachThreadHasItsOwnStack) {
  FreshStack fresh;
  kz::PushCallStack(L"Main", L"Outer", L"", L"");
  std::wstring other_before, other_after;
  long other_depth = -1;
  std::thread t([&] {
    other_before = kz::CallStackText();
    kz::PushCallStack(L"Worker", L"Inner", L"", L"");
    kz::PushCallStack(L"Worker", L"Deeper", L"", L"");
    other_depth = kz::CallStackDepth();
    other_after = kz::CallStackText();
    kz::ReleaseCallStack();
  });
  t.join();
  EXPECT_EQ(other_before, L"");
  EXPECT_EQ(other_depth, 2);
  EXPECT_EQ(other_after.find(L"Outer"), std::wstring::npos);
  EXPECT_EQ(kz::CallStackDepth(), 1);
  EXPECT_EQ(kz::CallStackText().find(L"Worker"), std::wstring::npos);
}

TEST(CallStack, ReportHasTheExactLayoutWithTheStack) {
  FreshStack fresh;
  kz::PushCallStack(L"Search", L"SearchFiles", L"p", L"");
  DATE when = 0;
  SYSTEMTIME st{2007, 3, 0, 9, 14, 5, 0, 0};
  SystemTimeToVariantTime(&st, &when);
  BSTR b = nullptr;
  VarBstrFromDate(when, LOCALE_USER_DEFAULT, 0, &b);
  const std::wstring stamp = kz::FromBstr(b);
  SysFreeString(b);
  const std::wstring module = kz::RunningModuleBaseName();
  EXPECT_FALSE(module.empty());
  EXPECT_EQ(module.find(L'.'), std::wstring::npos);
  EXPECT_EQ(kz::RunTimeErrorReport(L"Search", L"SearchFiles", 53, L"File not found", 112, L"extra", when),
            L"\r\n\r\n" + stamp + L"  RunTime Error in " + module +
                L"\r\n\r\nRunTime Error: 53 - File not found\r\n\tModule: Search\r\n\tMethod: SearchFiles\r\n"
                L"\tLine Number: 112\r\n\tDescription: :extra\r\n\r\nCall Stack:\r\n"
                L"\tModule:   Search\r\n\tMethod:   SearchFiles(p)\r\n\tGlobal:   \r\n\r\n");
}

TEST(CallStack, LogRunTimeErrorWritesOneErrorEntry5000) {
  FreshStack fresh;
  RecordingLog log;
  kz::ScopedSeam<kz::EventLog> use(log);
  kz::PushCallStack(L"Search", L"SearchFiles", L"", L"");
  kz::LogRunTimeError(L"Search", L"SearchFiles", 76, L"Path not found", 100, L"");
  ASSERT_EQ(log.entries.size(), 1u);
  const Entry& e = log.entries[0];
  EXPECT_EQ(e.server, "");
  EXPECT_EQ(e.source, kz::ToAnsi(kz::RunningModuleBaseName()));
  EXPECT_EQ(e.type, EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(e.id, 5000u);
  EXPECT_NE(e.text.find("RunTime Error: 76 - Path not found\r\n"), std::string::npos);
  EXPECT_NE(e.text.find("Call Stack:\r\n\tModule:   Search\r\n"), std::string::npos);
  EXPECT_EQ(kz::CallStackDepth(), 1) << "the report leaves the stack as it was";
  // A log that refuses the entry leaves no trace and raises nothing.
  log.answer = false;
  kz::LogRunTimeError(L"Search", L"SearchFiles", 5, L"x", 0, L"");
  EXPECT_EQ(log.entries.size(), 2u);
}

TEST(EventLogWriter, ValidatesTypeIdentifierSourceAndText) {
  RecordingLog log;
  kz::ScopedSeam<kz::EventLog> use(log);
  struct Case {
    const wchar_t* id;
    long type;
    bool written;
  } cases[] = {{L"5000", 1, true}, {L"7", 2, true}, {L"7", 4, true}, {L"7", 3, false},
               {L"abc", 1, false}, {L"0", 1, false}, {L"-4", 1, false}, {L"4294967296", 1, false}};
  for (const Case& c : cases) {
    kz::EventLogWriter w;
    size_t before = log.entries.size();
    EXPECT_EQ(w.WriteEvent(L"text", L"Src", c.id, c.type), c.written) << kz::ToAnsi(c.id) << " " << c.type;
    EXPECT_EQ(log.entries.size() - before, c.written ? 1u : 0u);
  }
  kz::EventLogWriter no_text, no_source;
  EXPECT_FALSE(no_text.WriteEvent(L"", L"Src", L"1", 1));
  EXPECT_FALSE(no_source.WriteEvent(L"t", L"", L"1", 1));
}

TEST(EventLogWriter, EmptyArgumentsKeepTheProperties) {
  RecordingLog log;
  kz::ScopedSeam<kz::EventLog> use(log);
  kz::EventLogWriter w;
  w.set_server(L"HOST1");
  ASSERT_TRUE(w.WriteEvent(L"first", L"App", L"12", 2));
  ASSERT_TRUE(w.WriteEvent(L"", L"", L"", 0));
  ASSERT_EQ(log.entries.size(), 2u);
  for (const Entry& e : log.entries) {
    EXPECT_EQ(e.text, "first");
    EXPECT_EQ(e.source, "App");
    EXPECT_EQ(e.id, 12u);
    EXPECT_EQ(e.type, 2);
    EXPECT_EQ(e.server, "HOST1");
  }
  log.answer = false;
  EXPECT_FALSE(w.WriteEvent(L"x", L"", L"", 0)) << "a refused entry is not reported as written";
}

TEST(EventLogWriter, RealLogAcceptsAnEntry) {
  // Wine takes the entry and keeps nothing to read back; only the call's success shows here.
  kz::EventLogWriter w;
  EXPECT_TRUE(w.WriteEvent(L"Kelzud10 test entry", L"Kelzud10Tests", L"5000", 4));
}

TEST(ErrorHandler, ShowsTheOneLineMessageWithTheApplicationTitle) {
  EXPECT_EQ(kz::ErrorHandler::MessageText(L"53", L"File not found", L"Form1.Load"),
            L"Error 53 , File not found in Form1.Load");
  Ptr<IDispatch> h = Create(L"Kelzud10.clsKelzudErrorHandlerA");
  // Objects without Number or Title: the runtime's error, no box.
  UnattendedLog boxes;
  Var nothing;
  CallResult r = Call(h.get(), L"ZUDErrorHandler", {});
  EXPECT_EQ(r.error, 91);
  Var wrong = Var::Object(h.get());
  r = Call(h.get(), L"ZUDErrorHandler", {wrong.get(), wrong.get()});
  EXPECT_EQ(r.error, 438);
  EXPECT_TRUE(boxes.Records().empty());
}
