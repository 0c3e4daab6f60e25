// Commands submitted to the platform's network job scheduler for days and a time of day.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class KelzudTasksA : public ComObject<KelzudTasksA, _clsKELZUDTasksA> {
  KZ_CLASS(clsKELZUDTasksA)
 public:
  STDMETHODIMP AddNetScheduleJob(BSTR* sComputerName, BSTR* sDays, BSTR* sTime, BSTR* sCommand, LONG* lJobID,
                                 VARIANT_BOOL* bInteractive, VARIANT_BOOL* bPeriodically, BSTR* sTaskName,
                                 LONG* ret) override;

  // The member's work: `computer` receives the local name when empty, `job_id` the job's
  // number. The scheduler's status is the result; a job file that cannot be renamed raises.
  static long AddJob(std::wstring& computer, const std::wstring& days, const std::wstring& time,
                     const std::wstring& command, long& job_id, VARIANT_BOOL interactive,
                     VARIANT_BOOL periodically, const std::wstring& task_name);
  // The scheduler's folder of job files, with its trailing backslash.
  static std::wstring JobFolder();
};

}  // namespace kz
