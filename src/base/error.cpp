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
    case 70: return L"Permission denied";
    case 75: return L"Path/File access error";
    case 76: return L"Path not found";
    case 91: return L"Object variable or With block variable not set";
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

Error::Error(long number) : number_(number), description_(StdDescription(number)) {
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

}  // namespace kz
