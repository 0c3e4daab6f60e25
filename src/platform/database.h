// The database components the database actions work through ("ADODB.Connection",
// "ADODB.Recordset"). Windows supplies them with the Jet provider; tests put stand-ins in their
// place that record what is asked of them, without touching what the machine has registered.
#pragma once
#include <string>

#include "base/seam.h"
#include "base/win.h"

namespace kz {

struct DatabaseComponents {
  virtual ~DatabaseComponents() = default;
  // A new instance of the component registered under `progid`, as a client's CreateObject
  // would make it; a failure HRESULT when there is none.
  virtual HRESULT Create(const std::wstring& progid, IDispatch** out) = 0;
};
template <>
DatabaseComponents& SeamDefault<DatabaseComponents>();

}  // namespace kz
