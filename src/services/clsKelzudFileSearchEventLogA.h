// The event-log writer: one text entry per WriteEvent, on the local computer or a named
// server. Internal to the library (the run-time error report is its user), so it is a plain
// C++ class and not in the class catalogue.
#pragma once
#include <string>

namespace kz {

class EventLogWriter {
 public:
  const std::wstring& server() const { return server_; }
  long log_type() const { return log_type_; }
  const std::wstring& event_id() const { return event_id_; }
  const std::wstring& application() const { return application_; }
  const std::wstring& description() const { return description_; }
  void set_server(const std::wstring& s) { server_ = s; }
  void set_log_type(long t) { log_type_ = t; }
  void set_event_id(const std::wstring& s) { event_id_ = s; }
  void set_application(const std::wstring& s) { application_ = s; }
  void set_description(const std::wstring& s) { description_ = s; }

  // Non-empty arguments (a non-zero type) replace the properties first, so that an object set
  // up once can write many times. An entry needs type 1, 2 or 4, an identifier that is a
  // number above 0, a source and a text; otherwise false and the log is not touched. Never
  // raises: the result is the only signal.
  bool WriteEvent(const std::wstring& description, const std::wstring& application, const std::wstring& event_id,
                  long log_type);

  // The identifier as a number, or 0 when the text is not a number in 1..4294967295.
  static unsigned long EventNumber(const std::wstring& text);

 private:
  std::wstring server_, event_id_, application_, description_;
  long log_type_ = 0;
};

}  // namespace kz
