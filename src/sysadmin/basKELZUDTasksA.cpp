#include "sysadmin/basKELZUDTasksA.h"

#include <cmath>
#include <vector>

#include "base/error.h"
#include "base/text.h"

namespace kz {
namespace {

const wchar_t* const kWeekdayCodes[] = {L"M", L"T", L"W", L"TH", L"F", L"S", L"SU"};

std::vector<std::wstring> SplitAtCommas(const std::wstring& s) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    size_t comma = s.find(L',', start);
    parts.push_back(s.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
    if (comma == std::wstring::npos) return parts;
    start = comma + 1;
  }
}

// True when the digits at the start of the text make a number above 0.
bool StartsWithPositiveNumber(const std::wstring& s) {
  for (wchar_t c : s) {
    if (c < L'0' || c > L'9') return false;
    if (c != L'0') return true;
  }
  return false;
}

double NumberOf(const std::wstring& text) {
  VARIANT in, out;
  VariantInit(&in);
  VariantInit(&out);
  in.vt = VT_BSTR;
  in.bstrVal = ToBstr(text);
  HRESULT hr = VariantChangeTypeEx(&out, &in, LOCALE_USER_DEFAULT, 0, VT_R8);
  VariantClear(&in);
  if (FAILED(hr)) throw Error(ErrorNumberOf(hr));
  return out.dblVal;
}

unsigned long JobTimeOf(const std::wstring& text) {
  VARIANT in, out;
  VariantInit(&in);
  VariantInit(&out);
  in.vt = VT_BSTR;
  in.bstrVal = ToBstr(text);
  HRESULT hr = VariantChangeTypeEx(&out, &in, LOCALE_USER_DEFAULT, 0, VT_DATE);
  VariantClear(&in);
  if (FAILED(hr)) throw Error(kErrTypeMismatch);  // not a time of day
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(out.date, &st)) throw Error(kErrTypeMismatch);
  return (st.wHour * 3600UL + st.wMinute * 60UL) * 1000UL;
}

}  // namespace

JobRecord FillJobRecord(const std::wstring& days, const std::wstring& time, const std::wstring& command,
                        VARIANT_BOOL interactive, VARIANT_BOOL periodically) {
  JobRecord r;
  r.job_time = JobTimeOf(time);
  // A day named twice is one day: the bits are combined, so no listing moves a job to
  // another day.
  if (StartsWithPositiveNumber(days)) {
    for (const std::wstring& piece : SplitAtCommas(days)) {
      double d = NumberOf(piece);
      if (d > 31) throw Error(kErrOverflow);  // no bit for it in the 32-bit field
      if (d < 1 || d != std::floor(d)) throw Error(kErrInvalidCall);
      r.days_of_month |= 1UL << (static_cast<int>(d) - 1);
    }
  } else {
    for (const std::wstring& piece : SplitAtCommas(days)) {
      std::wstring code = UpperCase(piece);
      for (int i = 0; i < 7; ++i) {
        if (code == kWeekdayCodes[i]) {
          r.days_of_week |= static_cast<unsigned char>(1u << i);
          break;
        }
      }
    }
  }
  if (periodically == VARIANT_TRUE) r.flags |= 0x01;
  if (interactive != VARIANT_TRUE) r.flags |= 0x10;
  r.command = command;
  return r;
}

}  // namespace kz
