// The backup log ("bar.ini" in the folder named by VQENVSLOGS), written by the backup actions.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/ptr.h"

namespace kz {

// The log's runtime component and INI writer, held while a backup action runs (per thread).
struct BackupLogState {
  Ptr<IDispatch> runtime;
  Ptr<IDispatch> writer;
};
BackupLogState& BackupLog();

// Adds key=value to `section` of the log, through the references the running action set.
void WriteBackupLogEntry(std::wstring& section, std::wstring& key, std::wstring& value);

}  // namespace kz
