// The platform's management service as scripts reach it: an object named by a moniker text
// ("winmgmts:..."), then called late-bound by member name. Tests put a stand-in service in its
// place; the real one makes restore points and rolls the machine back.
#pragma once
#include <string>

#include "base/seam.h"
#include "base/win.h"

namespace kz {

struct ManagementObjects {
  virtual ~ManagementObjects() = default;
  // The object a moniker names, as a script's GetObject resolves it; the caller owns the
  // reference. Raises Error with the binding's number and description when it cannot be had.
  virtual IDispatch* ObjectOf(const std::wstring& moniker) = 0;
};
template <>
ManagementObjects& SeamDefault<ManagementObjects>();

}  // namespace kz
