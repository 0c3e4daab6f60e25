#include "base/error.h"

namespace kz {

const wchar_t* StdDescription(long number) {
  switch (number) {
    case 5: return L"Invalid procedure call or argument";
    case 6: return L"Overflow";
    case 7: return L"Out of memory";
    case 9: return L"Subscript out of range";
    case 11: return L"Division by zero";
    case 13: return L"Type mismatch";
    case 52: return L"Bad file name or number";
    case 53: return L"File not found";
    case 55: return L"File already open";
    case 57: return L"Device I/O error";
    case 58: return L"File already exists";
    case 61: return L"Disk full";
    case 67: return L"Too many files";
    case 68: return L"Device unavailable";
    case 70: return L"Permission denied";
    case 71: return L"Disk not ready";
    case 74: return L"Can't rename with different drive";
    case 75: return L"Path/File access error";
    case 76: return L"Path not found";
    case 91: return L"Object variable or With block variable not set";
    case 321: return L"Invalid file format";
    case 424: return L"Object required";
    case 429: return L"ActiveX component can't create object";
    case 438: return L"Object doesn't support this property or method";
    case 440: return L"Automation error";
    case 448: return L"Named argument not found";
    case 449: return L"Argument not optional";
    case 450: return L"Wrong number of arguments or invalid property assignment";
    case 457: return L"This key is already associated with an element of this collection";
    default: return L"";
  }
}

namespace {

std::wstring MessageText(DWORD flags, HMODULE module, DWORD id) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, module, id, 0,
                           reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::wstring text = n && buf ? std::wstring(buf, n) : std::wstring();
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text;
}

// The system's own text for an HRESULT: its message table, the Win32 code of a Win32-facility
// HRESULT (RPC failures among them), then the management service's table for its own codes.
std::wstring SystemText(HRESULT hr) {
  std::wstring text = MessageText(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(hr));
  if (text.empty() && HRESULT_FACILITY(hr) == FACILITY_WIN32)
    text = MessageText(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, HRESULT_CODE(hr));
  if (text.empty() && (static_cast<DWORD>(hr) & 0xFFFF0000u) == 0x80040000u) {
    wchar_t dir[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n && n < MAX_PATH) {
      std::wstring path = std::wstring(dir, n) + L"\\wbem\\wmiutils.dll";
      HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
      if (m) {
        text = MessageText(FORMAT_MESSAGE_FROM_HMODULE, m, static_cast<DWORD>(hr));
        FreeLibrary(m);
      }
    }
  }
  return text;
}

}  // namespace

Error::Error(long number) : number_(number), description_(StdDescription(number)) {
  // A number that is an HRESULT (a failure of a platform or component call) reads as the
  // system's text for it, where the system has one.
  if (description_.empty() && number < 0) description_ = SystemText(static_cast<HRESULT>(number));
  if (description_.empty()) description_ = L"Application-defined or object-defined error";
}

Error::Error(long number, std::wstring source, std::wstring description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

HRESULT Error::hresult() const {
  if (number_ < 0) return static_cast<HRESULT>(number_);  // already an HRESULT
  if (number_ > 0xFFFF) return E_FAIL;
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number_);
}

HRESULT Error::Report(REFIID iid) const {
  ICreateErrorInfo* cei = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&cei))) {
    cei->SetGUID(iid);
    cei->SetSource(const_cast<LPOLESTR>(source_.c_str()));
    cei->SetDescription(const_cast<LPOLESTR>(description_.c_str()));
    IErrorInfo* ei = nullptr;
    if (SUCCEEDED(cei->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&ei)))) {
      SetErrorInfo(0, ei);
      ei->Release();
    }
    cei->Release();
  }
  return hresult();
}

long ErrorNumberOf(HRESULT hr) {
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return HRESULT_CODE(hr);
  switch (hr) {
    case DISP_E_TYPEMISMATCH: return 13;
    case DISP_E_OVERFLOW: return 6;
    case DISP_E_BADINDEX: return 9;
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME: return 438;
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_PARAMNOTFOUND: return 449;
    case DISP_E_BADPARAMCOUNT: return 450;
    case E_OUTOFMEMORY: return 7;
    case E_INVALIDARG: return 5;
    case DISP_E_DIVBYZERO: return 11;
    case REGDB_E_CLASSNOTREG:
    case CO_E_CLASSSTRING:
    case CLASS_E_CLASSNOTAVAILABLE: return 429;
    default: return hr;
  }
}

Error Error::FromHresult(HRESULT hr) {
  long n = ErrorNumberOf(hr);
  Error e(n);
  IErrorInfo* ei = nullptr;
  if (GetErrorInfo(0, &ei) == S_OK && ei) {
    BSTR s = nullptr, d = nullptr;
    if (SUCCEEDED(ei->GetSource(&s)) && s) e.source_.assign(s, SysStringLen(s));
    if (SUCCEEDED(ei->GetDescription(&d)) && d && SysStringLen(d))
      e.description_.assign(d, SysStringLen(d));
    SysFreeString(s);
    SysFreeString(d);
    ei->Release();
  }
  return e;
}

long AutomationErrorOfWin32(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return 53;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return 76;
    case ERROR_TOO_MANY_OPEN_FILES: return 67;
    case ERROR_ACCESS_DENIED:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_CURRENT_DIRECTORY: return 75;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return 7;
    case ERROR_INVALID_DRIVE:
    case ERROR_DEV_NOT_EXIST: return 68;
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return 70;
    case ERROR_NOT_READY: return 71;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE: return 57;
    case ERROR_NOT_SAME_DEVICE: return 74;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: return 61;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return 58;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return 52;
    default: return 5;
  }
}

Error ErrorOfWin32(DWORD code) { return Error(AutomationErrorOfWin32(code)); }

}  // namespace kz
