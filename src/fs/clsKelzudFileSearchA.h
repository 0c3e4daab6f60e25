// Recursive or flat file search by wildcard into a result collection. The search records its
// nesting on the thread's call stack and reports its own failures to the event log instead of
// raising them: a folder that fails is left, the folders above it go on.
#pragma once
#include <string>

#include "com/comobject.h"
#include "com/ptr.h"
#include "frame/kz.h"
#include "fs/clsKelzudFileSearchFilesA.h"

namespace kz {

class FileSearch : public ComObject<FileSearch, _clsKelzudFileSearchA> {
  KZ_CLASS(clsKelzudFileSearchA)
 public:
  FileSearch();

  STDMETHODIMP get_Files(_clsKelzudFileSearchFilesA** ret) override;
  STDMETHODIMP SearchFiles(BSTR FilePath, BSTR FileName, VARIANT_BOOL Recursive) override;

  // The same for the library's own code. Results are appended to files(): with `recursive`,
  // each folder's sub-folders come first, then its own matching files, in the platform's
  // enumeration order. Never raises.
  void Search(const std::wstring& path, const std::wstring& pattern, bool recursive);
  FileSearchFiles& files() { return *files_.get(); }

  // A FILETIME as a Date of the same calendar time (no time-zone change), whole seconds; 0
  // and a report when it has no calendar form.
  static DATE FileTimeToDate(const FILETIME& ft);
  // Both halves read as unsigned: high * 2^32 + low, exact up to 2^53.
  static double FileSizeToDouble(unsigned long high, unsigned long low);

 private:
  Ptr<FileSearchFiles> files_;
};

}  // namespace kz
