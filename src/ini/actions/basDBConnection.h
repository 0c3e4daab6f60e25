// Opening an Access-format database and one of its tables through the platform's database
// components, for the database action.
#pragma once
#include <string>

#include "com/ptr.h"
#include "frame/kz.h"

namespace kz {

// The Jet connection string for a database file and its password, with the space after each
// equals sign that the library has always written. Error 5 for a path or password that would
// end its part of the string early (";") or open a quoted value ("\""): such a text could
// otherwise set other connection properties.
std::wstring JetConnectionString(const std::wstring& path, const std::wstring& password);

// Creates "ADODB.Connection", sets its connection string and opens it. On any error shows a
// critical message box (the error's description, its number as the title) and returns no
// object.
Ptr<IDispatch> OpenJetConnection(std::wstring& path, std::wstring& password);

// Opens all rows of `table` on `connection` (keyset cursor, optimistic locks) and sets the
// mouse pointer back to the arrow. Errors reach the caller; no connection fails in Open.
Ptr<IDispatch> OpenTableRecordset(IDispatch* connection, const std::wstring& table);

}  // namespace kz
