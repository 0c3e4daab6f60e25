// The backup log ("bar.ini" in the folder named by VQENVSLOGS, or in the user's temporary folder
// when that variable is empty), written by the backup actions.
#pragma once
#include <string>

#include "base/perthread.h"
#include "com/ptr.h"
#include "frame/kz.h"

namespace kz {

// The log's runtime component and INI writer, held while a backup action runs, once per
// client thread. The action that sets them releases them at its end (BackupLog::Release):
// a thread's exit never does, since COM may be gone by then.
struct BackupLogState {
  Ptr<IDispatch> runtime;
  Ptr<IDispatch> writer;
};
using BackupLog = PerThread<BackupLogState>;

// The log of one backup action: its runtime component and writer are made when the action
// starts and let go when it ends, whatever its outcome (kept longer they would outlive the
// apartment that owns them).
class BackupLogSession {
 public:
  BackupLogSession();
  ~BackupLogSession() { BackupLog::Release(); }
  BackupLogSession(const BackupLogSession&) = delete;
  BackupLogSession& operator=(const BackupLogSession&) = delete;
};

// Adds key=value to `section` of the log, through the references the running action set.
void WriteBackupLogEntry(std::wstring& section, std::wstring& key, std::wstring& value);

}  // namespace kz
