// Scheduled jobs: the job record made from day and time texts, the call to the scheduler (a
// recorder here), the job file renamed under a task name, and the platform's scheduler as
// Wine has it, which raises instead of answering.
#include <stdexcept>
#include <string>
#include <vector>

#include "base/owner.h"
#include "base/seam.h"
#include "frame/modules.h"
#include "platform/scheduler.h"
#include "sysadmin/basKELZUDTasksA.h"
#include "sysadmin/clsKELZUDTasksA.h"
#include "testkit.h"

namespace {

using kz::FillJobRecord;
using kz::JobRecord;

const VARIANT_BOOL T = VARIANT_TRUE, F = VARIANT_FALSE;

TEST(JobRecord, DaysAndTimeBecomeTheSchedulersFields) {
  struct Case {
    const wchar_t* days;
    const wchar_t* time;
    VARIANT_BOOL interactive, periodically;
    unsigned long job_time, days_of_month;
    unsigned days_of_week, flags;
  } cases[] = {
      {L"M,W,F", L"14:30", F, T, 52200000, 0, 21, 0x11},
      {L"1,15", L"14:30", F, T, 52200000, 16385, 0, 0x11},
      {L"th", L"00:00", F, T, 0, 0, 8, 0x11},
      {L"SU,S,T,TH", L"23:59", F, T, 86340000, 0, 64 + 32 + 2 + 8, 0x11},
      {L"31", L"2:30 PM", F, T, 52200000, 1UL << 30, 0, 0x11},
      {L"007", L"14:30:59", F, T, 52200000, 64, 0, 0x11},  // seconds are dropped
      {L"M", L"1:05", T, T, 3900000, 0, 1, 0x01},           // interactive: flag clear
      {L"M", L"1:05", F, F, 3900000, 0, 1, 0x10},           // once
      {L"M", L"1:05", T, F, 3900000, 0, 1, 0x00},
      {L"M", L"1:05", 1, 1, 3900000, 0, 1, 0x10},  // only exactly true counts as true
      {L"", L"6:00", F, T, 21600000, 0, 0, 0x11},  // no days: runs once, at the next 6:00
      {L"0,5", L"6:00", F, T, 21600000, 0, 0, 0x11},  // no number above 0 first: weekday codes
      {L"X,Mon, W,MW", L"6:00", F, T, 21600000, 0, 0, 0x11},  // pieces that match no code
      // A day given twice is still that day, not the next one.
      {L"M,M", L"6:00", F, T, 21600000, 0, 1, 0x11},
      {L"1,1,31,31", L"6:00", F, T, 21600000, 1 | (1UL << 30), 0, 0x11},
      {L" 5,7 ", L"6:00", F, T, 21600000, 0, 0, 0x11},  // a space first: no leading number
      {L"5, 7 ", L"6:00", F, T, 21600000, 16 + 64, 0, 0x11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(std::wstring(c.days) + L" at " + c.time));
    JobRecord r = FillJobRecord(c.days, c.time, L"cmd /c rem", c.interactive, c.periodically);
    EXPECT_EQ(r.job_time, c.job_time);
    EXPECT_EQ(r.days_of_month, c.days_of_month);
    EXPECT_EQ(r.days_of_week, c.days_of_week);
    EXPECT_EQ(r.flags, c.flags);
    EXPECT_EQ(r.command, L"cmd /c rem");
  }
}

TEST(JobRecord, TextsOutOfRangeRaiseInsteadOfSchedulingAnotherTime) {
  struct Case {
    const wchar_t* days;
    const wchar_t* time;
    long error;
  } cases[] = {
      {L"M", L"25:61", 13}, {L"M", L"", 13},         {L"M", L"half past two", 13},
      {L"32", L"6:00", 6},  {L"1,32", L"6:00", 6},   {L"99999999999", L"6:00", 6},
      {L"1,", L"6:00", 13}, {L"1,,2", L"6:00", 13},  {L"1,x", L"6:00", 13},
      {L"1,0", L"6:00", 5}, {L"3,-2", L"6:00", 5},   {L"2.5", L"6:00", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(std::wstring(c.days) + L" at " + c.time));
    try {
      FillJobRecord(c.days, c.time, L"x", F, T);
      ADD_FAILURE() << "no error";
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), c.error);
    }
  }
}

// A scheduler that records what it is given and answers with a fixed status and number.
class RecordingScheduler : public kz::JobScheduler {
 public:
  RecordingScheduler(unsigned long status, unsigned long id) : status_(status), id_(id) {}
  unsigned long JobAdd(const std::wstring& server, const AT_INFO& job, unsigned long* job_id) override {
    ++calls;
    this->server = server;
    job_time = job.JobTime;
    days_of_month = job.DaysOfMonth;
    days_of_week = job.DaysOfWeek;
    flags = job.Flags;
    command = job.Command ? job.Command : L"(null)";
    if (status_ == 0) *job_id = id_;
    return status_;
  }
  int calls = 0;
  std::wstring server, command;
  unsigned long long job_time = 0;
  unsigned long days_of_month = 0;
  unsigned days_of_week = 0, flags = 0;

 private:
  unsigned long status_, id_;
};

// WINDIR pointed at a folder of the test's own for its life, with a Tasks folder in it.
class JobFolder {
 public:
  JobFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"WINDIR", buf, MAX_PATH);
    previous_.assign(buf, n);
    SetEnvironmentVariableW(L"WINDIR", dir_.path().c_str());
    CreateDirectoryW(dir_.File(L"Tasks").c_str(), nullptr);
  }
  ~JobFolder() { SetEnvironmentVariableW(L"WINDIR", previous_.c_str()); }
  std::wstring File(const std::wstring& name) const { return dir_.File(L"Tasks\\" + name); }

 private:
  kzt::TempDir dir_;
  std::wstring previous_;
};

TEST(Tasks, SubmitsTheRecordToTheNamedComputerAndReturnsTheStatus) {
  RecordingScheduler scheduler(0, 7);
  kz::ScopedSeam<kz::JobScheduler> use(scheduler);
  std::wstring computer = L"SERVER01";
  long id = -1;
  long status = kz::KelzudTasksA::AddJob(computer, L"M,W,F", L"14:30", L"backup.cmd /all", id, F, T, L"");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(scheduler.calls, 1);
  EXPECT_EQ(scheduler.server, L"SERVER01");
  EXPECT_EQ(scheduler.job_time, 52200000u);
  EXPECT_EQ(scheduler.days_of_month, 0u);
  EXPECT_EQ(scheduler.days_of_week, 21u);
  EXPECT_EQ(scheduler.flags, 0x11u);
  EXPECT_EQ(scheduler.command, L"backup.cmd /all");
}

TEST(Tasks, AnEmptyComputerNameBecomesTheLocalOneInTheCallersVariable) {
  RecordingScheduler scheduler(0, 3);
  kz::ScopedSeam<kz::JobScheduler> use(scheduler);
  kz::Ptr<_clsKELZUDTasksA> tasks = kz::Ptr<_clsKELZUDTasksA>::Adopt(kz::MakeObject<kz::KelzudTasksA>());
  kzt::CallResult r;
  kz::Var computer = kz::Var::Str(L""), days = kz::Var::Str(L"1,15"), time = kz::Var::Str(L"6:00"),
          command = kz::Var::Str(L"cmd /c rem"), id = kz::Var::Long(0);
  r = kzt::Call(tasks.get(), L"AddNetScheduleJob", {computer.get(), days.get(), time.get(), command.get(), id.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(kz::VarToLong(r.value.get()), 0);
  EXPECT_EQ(kz::VarToStr(computer.get()), kz::GetComputerNameText());
  EXPECT_FALSE(kz::GetComputerNameText().empty());
  EXPECT_EQ(scheduler.server, kz::GetComputerNameText());
  EXPECT_EQ(kz::VarToLong(id.get()), 3);
  EXPECT_EQ(scheduler.days_of_month, 16385u);
  EXPECT_EQ(scheduler.flags, 0x11u);  // the defaults: periodically, not on the desktop
}

TEST(Tasks, BadTextsReachTheClientAndNothingIsScheduled) {
  RecordingScheduler scheduler(0, 3);
  kz::ScopedSeam<kz::JobScheduler> use(scheduler);
  kz::Ptr<_clsKELZUDTasksA> tasks = kz::Ptr<_clsKELZUDTasksA>::Adopt(kz::MakeObject<kz::KelzudTasksA>());
  kz::Var computer = kz::Var::Str(L""), days = kz::Var::Str(L"M"), time = kz::Var::Str(L"25:61"),
          command = kz::Var::Str(L"cmd /c rem"), id = kz::Var::Long(-5);
  kzt::CallResult r =
      kzt::Call(tasks.get(), L"AddNetScheduleJob", {computer.get(), days.get(), time.get(), command.get(), id.get()});
  EXPECT_EQ(r.error, 13);
  EXPECT_EQ(r.source, L"Kelzud10.clsKELZUDTasksA");
  EXPECT_EQ(scheduler.calls, 0);
  EXPECT_EQ(kz::VarToLong(id.get()), -5);
  // The computer's name was settled before the texts were read.
  EXPECT_EQ(kz::VarToStr(computer.get()), kz::GetComputerNameText());
  days = kz::Var::Str(L"32");
  time = kz::Var::Str(L"6:00");
  r = kzt::Call(tasks.get(), L"AddNetScheduleJob", {computer.get(), days.get(), time.get(), command.get(), id.get()});
  EXPECT_EQ(r.error, 6);
  EXPECT_EQ(scheduler.calls, 0);
}

TEST(Tasks, ATaskNameRenamesTheJobFile) {
  JobFolder folder;
  RecordingScheduler scheduler(0, 12);
  kz::ScopedSeam<kz::JobScheduler> use(scheduler);
  kzt::WriteFileText(folder.File(L"AT12.job"), "job twelve");
  kzt::WriteFileText(folder.File(L"Nightly12.job"), "an older file of that name");
  SetFileAttributesW(folder.File(L"AT12.job").c_str(), FILE_ATTRIBUTE_READONLY);
  std::wstring computer = L"HOST";
  long id = 0;
  EXPECT_EQ(kz::KelzudTasksA::AddJob(computer, L"F", L"18:00", L"x", id, F, T, L"Nightly"), 0);
  EXPECT_EQ(id, 12);
  EXPECT_EQ(kzt::ReadFileText(folder.File(L"Nightly12.job")), L"job twelve");
  EXPECT_FALSE(kzt::FileExists(folder.File(L"AT12.job")));
  EXPECT_EQ(kz::KelzudTasksA::JobFolder(), folder.File(L""));
}

TEST(Tasks, AFailedSubmissionWithATaskNameRaisesTheFileError) {
  JobFolder folder;
  RecordingScheduler scheduler(1753, 0);
  kz::ScopedSeam<kz::JobScheduler> use(scheduler);
  kz::Ptr<_clsKELZUDTasksA> tasks = kz::Ptr<_clsKELZUDTasksA>::Adopt(kz::MakeObject<kz::KelzudTasksA>());
  kz::Var computer = kz::Var::Str(L"HOST"), days = kz::Var::Str(L"M"), time = kz::Var::Str(L"6:00"),
          command = kz::Var::Str(L"x"), id = kz::Var::Long(44), interactive = kz::Var::Bool(false),
          periodic = kz::Var::Bool(true), name = kz::Var::Str(L"Nightly");
  kzt::CallResult r = kzt::Call(tasks.get(), L"AddNetScheduleJob",
                                {computer.get(), days.get(), time.get(), command.get(), id.get(),
                                 interactive.get(), periodic.get(), name.get()});
  EXPECT_EQ(r.error, 53);
  EXPECT_EQ(kz::VarToLong(id.get()), 44);  // the scheduler gave no number
  // Without a task name the status is all the client gets.
  r = kzt::Call(tasks.get(), L"AddNetScheduleJob", {computer.get(), days.get(), time.get(), command.get(), id.get()});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(kz::VarToLong(r.value.get()), 1753);
}

// --- the platform's scheduler as Wine has it -----------------------------------------------

unsigned long RaiseEndpointStatus(void*) {
  RaiseException(1753, 0, 0, nullptr);  // as the RPC runtime raises EPT_S_NOT_REGISTERED
  return 0;
}
unsigned long Answer(void* p) { return *static_cast<unsigned long*>(p); }
unsigned long CatchesItsOwn(void*) {
  try {
    throw std::runtime_error("handled inside");
  } catch (const std::exception&) {
    return 99;
  }
}

TEST(SchedulerGuard, ARaisedStatusComesBackAsTheResult) {
  bool raised = false;
  EXPECT_EQ(kz::CallTakingRaisedStatus(&RaiseEndpointStatus, nullptr, &raised), 1753u);
  EXPECT_TRUE(raised);
  unsigned long v = 5;
  EXPECT_EQ(kz::CallTakingRaisedStatus(&Answer, &v, &raised), 5u);
  EXPECT_FALSE(raised);
  EXPECT_EQ(kz::CallTakingRaisedStatus(&CatchesItsOwn, nullptr, &raised), 99u);
  EXPECT_FALSE(raised);
  // Again, after a taken exception: the handler still serves, and the stack is whole.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(kz::CallTakingRaisedStatus(&RaiseEndpointStatus, nullptr, &raised), 1753u);
    EXPECT_TRUE(raised);
  }
  // Outside a guarded call such exceptions are not touched: a frame handler of the caller's
  // would still see them (C++ code catches nothing of the kind, so only the slot is checked).
  EXPECT_EQ(kz::CallTakingRaisedStatus(&Answer, &v, &raised), 5u);
}

// Wine's scheduler service does not run in the test prefix: the call raises inside netapi32,
// and the class returns that status. Should a scheduler answer, the job is removed at once.
TEST(SchedulerGuard, ThePlatformsSchedulerNeverEndsTheClient) {
  kz::Module netapi(LoadLibraryW(L"netapi32.dll"));
  ASSERT_TRUE(netapi);
  using JobDel = DWORD(WINAPI*)(LPCWSTR, DWORD, DWORD);
  auto del = reinterpret_cast<JobDel>(reinterpret_cast<void*>(GetProcAddress(netapi.get(), "NetScheduleJobDel")));
  struct Case {
    const wchar_t* computer;
  } cases[] = {{L""}, {L"KZ-NO-SUCH-HOST"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.computer));
    std::wstring computer = c.computer;
    long id = -1;
    long status = kz::KelzudTasksA::AddJob(computer, L"", L"3:33", L"cmd /c rem", id, F, F, L"");
    if (status == 0 && del) del(computer.c_str(), static_cast<DWORD>(id), static_cast<DWORD>(id));
    EXPECT_NE(status, 0) << "a scheduler answered (the job was removed again)";
    EXPECT_EQ(id, -1);
  }
}

}  // namespace
