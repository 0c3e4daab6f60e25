#include "services/clsKelzudFileSearchEventLogA.h"

#include <cmath>

#include "base/text.h"
#include "base/win.h"
#include "platform/eventlog.h"

namespace kz {

unsigned long EventLogWriter::EventNumber(const std::wstring& text) {
  if (text.empty()) return 0;
  BSTR b = ToBstr(text);
  double d = 0;
  HRESULT hr = VarR8FromStr(b, LOCALE_USER_DEFAULT, 0, &d);
  SysFreeString(b);
  if (FAILED(hr) || !std::isfinite(d)) return 0;
  d = std::nearbyint(d);  // the platform's rounding: halves to even
  if (d < 1 || d > 4294967295.0) return 0;
  return static_cast<unsigned long>(d);
}

bool EventLogWriter::WriteEvent(const std::wstring& description, const std::wstring& application,
                                const std::wstring& event_id, long log_type) {
  try {
    if (!description.empty()) description_ = description;
    if (!application.empty()) application_ = application;
    if (!event_id.empty()) event_id_ = event_id;
    if (log_type != 0) log_type_ = log_type;

    if (log_type_ != EVENTLOG_ERROR_TYPE && log_type_ != EVENTLOG_WARNING_TYPE &&
        log_type_ != EVENTLOG_INFORMATION_TYPE)
      return false;
    const unsigned long id = EventNumber(event_id_);
    if (id == 0 || application_.empty() || description_.empty()) return false;
    return Seam<EventLog>().Report(ToAnsi(server_), ToAnsi(application_), static_cast<unsigned short>(log_type_), id,
                                   ToAnsi(description_));
  } catch (...) {
    return false;  // nothing leaves the writer
  }
}

}  // namespace kz
