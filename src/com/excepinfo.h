// EXCEPINFO, the error record of IDispatch::Invoke, to and from the library's Error.
#pragma once
#include "base/error.h"
#include "base/win.h"

namespace kz {

// The Error a callee described in `ei` (after DISP_E_EXCEPTION): its number, source and
// description, the standard description when it gave none. Runs a deferred fill-in and frees
// the record's strings.
Error TakeExcepInfo(EXCEPINFO& ei);

// Describes a member's failure `hr` in `ei` from the IErrorInfo the member left (the standard
// description of its number when there is none).
void FillExcepInfo(HRESULT hr, EXCEPINFO* ei);

}  // namespace kz
