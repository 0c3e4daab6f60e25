#include "platform/eventlog.h"

#include "base/owner.h"
#include "base/win.h"

namespace kz {
namespace {

class WindowsEventLog : public EventLog {
 public:
  bool Report(const std::string& server, const std::string& source, unsigned short type, unsigned long event_id,
              const std::string& text) override {
    EventLogSource h(RegisterEventSourceA(server.empty() ? nullptr : server.c_str(), source.c_str()));
    if (!h) return false;
    // The entry's text goes to the platform in a buffer of its own, zeroed, NUL included.
    GlobalMemory buffer(GlobalAlloc(GPTR, text.size() + 1));
    if (!buffer) return false;
    char* s = static_cast<char*>(static_cast<void*>(buffer.get()));
    text.copy(s, text.size());
    LPCSTR strings[1] = {s};
    return ReportEventA(h.get(), type, 0, event_id, nullptr, 1, 0, strings, nullptr) != FALSE;
  }
};

}  // namespace

template <>
EventLog& SeamDefault<EventLog>() {
  static WindowsEventLog log;
  return log;
}

}  // namespace kz
