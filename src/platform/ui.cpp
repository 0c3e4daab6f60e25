#include "platform/ui.h"

#include <windows.h>

#include "platform/textlog.h"

namespace kz {

std::wstring UnattendedRecord(long style, const std::wstring& title, const std::wstring& text) {
  return std::to_wstring(style) + L"\t" + EscapeField(title) + L"\t" + EscapeField(text);
}
int DefaultAnswer(long style) {
  static const int kButtons[][3] = {
      {IDOK, IDOK, IDOK},          // MB_OK
      {IDOK, IDCANCEL, IDCANCEL},  // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO, IDNO},
      {IDRETRY, IDCANCEL, IDCANCEL},
      {IDCANCEL, IDTRYAGAIN, IDCONTINUE},
  };
  unsigned kind = static_cast<unsigned>(style) & 0xF;
  unsigned def = (static_cast<unsigned>(style) & 0xF00) >> 8;
  if (kind > 6) kind = 0;
  if (def > 2) def = 0;
  return kButtons[kind][def];
}

namespace {

class PlatformMessageBoxes : public MessageBoxes {
 public:
  int Show(const std::wstring& text, long style, const std::wstring& title) override {
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), static_cast<UINT>(style));
  }
};

std::wstring UnattendedLog() { return ProcessVariable(L"KELZUD10_UNATTENDED"); }

}  // namespace

template <>
MessageBoxes& SeamDefault<MessageBoxes>() {
  static PlatformMessageBoxes p;
  return p;
}

bool IsUnattended() { return !UnattendedLog().empty(); }

void LogUnattendedWindow(const std::wstring& kind, const std::wstring& title, const std::wstring& text) {
  std::wstring log = UnattendedLog();
  if (!log.empty()) AppendLine(log, EscapeField(kind) + L"\t" + EscapeField(title) + L"\t" + EscapeField(text));
}

int ShowMessage(const std::wstring& text, long style, const std::wstring& title) {
  std::wstring log = UnattendedLog();
  if (!log.empty()) {
    AppendLine(log, UnattendedRecord(style, title, text));
    return DefaultAnswer(style);
  }
  int r = Seam<MessageBoxes>().Show(text, style, title);
  return r > 0 ? r : DefaultAnswer(style);
}

}  // namespace kz
