// The platform's network job scheduler (the "at" service). Tests put a recorder in its place;
// the real one runs commands on the machine at the times given.
#pragma once
#include <string>

#include "base/seam.h"
#include "base/win.h"

#include <lmcons.h>
#include <lmat.h>

namespace kz {

struct JobScheduler {
  virtual ~JobScheduler() = default;
  // NetScheduleJobAdd on `server` (empty: this machine): the scheduler's status, 0 when the
  // job was added and `*job_id` holds its number.
  virtual unsigned long JobAdd(const std::wstring& server, const AT_INFO& job, unsigned long* job_id) = 0;
};
template <>
JobScheduler& SeamDefault<JobScheduler>();

// Runs fn(arg). Some scheduler clients (Wine's) raise the RPC status as an exception when the
// service does not answer instead of returning it; such an exception (a status code below
// 0x10000, as RpcRaiseException raises) is taken back here and returned as the result, with
// *raised set. Faults of any other kind are left alone.
unsigned long CallTakingRaisedStatus(unsigned long (*fn)(void*), void* arg, bool* raised);

}  // namespace kz
