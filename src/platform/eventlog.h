// The platform event log, write side only: one entry per call. Tests put a recorder in its
// place, since Wine accepts entries but keeps none that could be read back.
#pragma once
#include <string>

#include "base/seam.h"

namespace kz {

struct EventLog {
  virtual ~EventLog() = default;
  // RegisterEventSourceA on `server` (the local computer when empty) for `source`, then
  // ReportEventA of one entry (category 0, no user, `text` as its single string, no data) and
  // DeregisterEventSource. True when the entry was reported.
  virtual bool Report(const std::string& server, const std::string& source, unsigned short type,
                      unsigned long event_id, const std::string& text) = 0;
};
template <>
EventLog& SeamDefault<EventLog>();

}  // namespace kz
