#include "sysadmin/clsKELZUDTasksA.h"

#include "base/text.h"
#include "frame/catalogue.h"
#include "frame/modules.h"
#include "platform/scheduler.h"
#include "platform/sysfiles.h"
#include "sysadmin/basKELZUDTasksA.h"

namespace kz {
namespace {

void Assign(BSTR* target, const std::wstring& text) {
  BSTR b = ToBstr(text);
  SysFreeString(*target);
  *target = b;
}

}  // namespace

std::wstring KelzudTasksA::JobFolder() { return EnvironmentValue(L"WINDIR") + L"\\Tasks\\"; }

long KelzudTasksA::AddJob(std::wstring& computer, const std::wstring& days, const std::wstring& time,
                          const std::wstring& command, long& job_id, VARIANT_BOOL interactive,
                          VARIANT_BOOL periodically, const std::wstring& task_name) {
  if (computer.empty()) computer = GetComputerNameText();
  JobRecord r = FillJobRecord(days, time, command, interactive, periodically);
  AT_INFO job{};
  job.JobTime = r.job_time;
  job.DaysOfMonth = r.days_of_month;
  job.DaysOfWeek = r.days_of_week;
  job.Flags = r.flags;
  job.Command = const_cast<LPWSTR>(r.command.c_str());
  unsigned long id = static_cast<unsigned long>(job_id);
  unsigned long status = Seam<JobScheduler>().JobAdd(computer, job, &id);
  job_id = static_cast<long>(id);
  if (!task_name.empty()) {
    std::wstring folder = JobFolder();
    std::wstring number = std::to_wstring(job_id);
    std::wstring at_file = folder + L"AT" + number + L".job";
    CopyFileOverwriting(at_file, folder + task_name + number + L".job");
    DeleteFileForced(at_file);
  }
  return static_cast<long>(status);
}

STDMETHODIMP KelzudTasksA::AddNetScheduleJob(BSTR* sComputerName, BSTR* sDays, BSTR* sTime, BSTR* sCommand,
                                             LONG* lJobID, VARIANT_BOOL* bInteractive,
                                             VARIANT_BOOL* bPeriodically, BSTR* sTaskName, LONG* ret) {
  if (!sComputerName || !sDays || !sTime || !sCommand || !lJobID || !ret) return E_POINTER;
  return Guard([&] {
    std::wstring computer = FromBstr(*sComputerName);
    bool named = computer.empty();
    long id = *lJobID;
    // The computer's name and the job number reach the caller even when renaming the job
    // file fails afterwards.
    struct WriteBack {
      BSTR* name_target;
      LONG* id_target;
      std::wstring& name;
      long& id;
      bool named;
      ~WriteBack() {
        *id_target = id;
        if (named && !name.empty()) {
          try { Assign(name_target, name); } catch (...) {}
        }
      }
    } write_back{sComputerName, lJobID, computer, id, named};
    *ret = AddJob(computer, FromBstr(*sDays), FromBstr(*sTime), FromBstr(*sCommand), id,
                  bInteractive ? *bInteractive : VARIANT_FALSE, bPeriodically ? *bPeriodically : VARIANT_TRUE,
                  sTaskName ? FromBstr(*sTaskName) : std::wstring());
  });
}

KZ_REGISTER_CLASS(KelzudTasksA);

}  // namespace kz
