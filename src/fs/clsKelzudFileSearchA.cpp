#include "fs/clsKelzudFileSearchA.h"

#include <new>

#include "base/error.h"
#include "base/text.h"
#include "frame/catalogue.h"
#include "platform/filefind.h"
#include "services/basKelzudCallStackA.h"

namespace kz {
namespace {

const wchar_t kModule[] = L"Search";

// The text before the first NUL of a fixed-length name field.
std::wstring NameOf(const wchar_t (&field)[MAX_PATH]) {
  size_t n = 0;
  while (n < MAX_PATH && field[n]) ++n;
  return std::wstring(field, n);
}

// Hands an error caught in a search routine to the run-time error report; `line` is the
// number of the statement that failed.
template <class Body>
void Reported(const wchar_t* method, long& line, Body&& body) {
  try {
    body();
  } catch (const Error& e) {
    LogRunTimeError(kModule, method, e.number(), e.description(), line, L"");
  } catch (const std::bad_alloc&) {
    LogRunTimeError(kModule, method, kErrOutOfMemory, StdDescription(kErrOutOfMemory), line, L"");
  }
}

}  // namespace

FileSearch::FileSearch() : files_(Ptr<FileSearchFiles>::Adopt(MakeObject<FileSearchFiles>())) {}

DATE FileSearch::FileTimeToDate(const FILETIME& ft) {
  CallStackScope entry(kModule, L"FileTimeToDate");
  DATE d = 0;
  long line = 0;
  Reported(L"FileTimeToDate", line, [&] {
    line = 100;
    SYSTEMTIME st{};
    // Times from 2^63 on have no calendar form; Wine converts them anyway, Windows refuses.
    // Without one the date text below fails.
    if ((ft.dwHighDateTime & 0x80000000u) || !FileTimeToSystemTime(&ft, &st)) st = SYSTEMTIME{};
    line = 102;
    st.wMilliseconds = 0;
    DATE v = 0;
    // A date text outside the Date range (or of the zeroed fields) is not a date; the
    // platform's conversion is lax about such fields, so they are checked here.
    if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 || st.wDay > 31 ||
        !SystemTimeToVariantTime(&st, &v))
      Raise(kErrTypeMismatch);
    d = v;
  });
  return d;
}

double FileSearch::FileSizeToDouble(unsigned long high, unsigned long low) {
  CallStackScope entry(kModule, L"FileSizeToDouble");
  return static_cast<double>(static_cast<uint32_t>(high)) * 4294967296.0 + static_cast<double>(static_cast<uint32_t>(low));
}

void FileSearch::Search(const std::wstring& path_given, const std::wstring& pattern, bool recursive) {
  CallStackScope entry(kModule, L"SearchFiles",
                       L"FilePath: " + path_given + L", FileName: " + pattern + L", Recursive: " +
                           (recursive ? L"True" : L"False"));
  long line = 0;
  Reported(L"SearchFiles", line, [&] {
    line = 100;
    // The kernel would search the text before a NUL, or refuse a longer path.
    if (!IsUsablePath(path_given) || !IsUsablePath(pattern)) Raise(kErrInvalidCall);
    std::wstring path = path_given;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    WIN32_FIND_DATAW fd;
    if (recursive) {
      line = 106;
      FindScope folders(path + L"*.*", fd);
      for (bool more = folders.found(); more; more = folders.Next(fd)) {
        line = 112;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        // A junction or symbolic link is not entered, as the tree walks do not: it may lead
        // back into the folder being searched, or out of it.
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        line = 114;
        const std::wstring name = NameOf(fd.cFileName);
        line = 116;
        if (name == L"." || name == L"..") continue;
        line = 118;
        Search(path + name, pattern, recursive);
        line = 120;
      }
      line = 124;
    }
    line = 126;
    FindScope found(path + pattern, fd);
    for (bool more = found.found(); more; more = found.Next(fd)) {
      line = 132;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      line = 134;
      const std::wstring name = NameOf(fd.cFileName);
      line = 136;
      FileSearchFile* f = files_->AddFile(path + name, L"");
      line = 138;
      f->file_name = name;
      line = 140;
      f->file_attributes = static_cast<long>(fd.dwFileAttributes);
      line = 142;
      f->created = FileTimeToDate(fd.ftCreationTime);
      line = 144;
      f->accessed = FileTimeToDate(fd.ftLastAccessTime);
      line = 146;
      f->modified = FileTimeToDate(fd.ftLastWriteTime);
      line = 148;
      f->file_size = FileSizeToDouble(fd.nFileSizeHigh, fd.nFileSizeLow);
      line = 150;
      f->file_path = path;
      line = 152;
    }
    line = 154;
  });
}

STDMETHODIMP FileSearch::get_Files(_clsKelzudFileSearchFilesA** ret) {
  if (!ret) return E_POINTER;
  *ret = files_->itf();
  (*ret)->AddRef();
  return S_OK;
}

STDMETHODIMP FileSearch::SearchFiles(BSTR FilePath, BSTR FileName, VARIANT_BOOL Recursive) {
  return Guard([&] { Search(FromBstr(FilePath), FromBstr(FileName), Recursive != VARIANT_FALSE); });
}

KZ_REGISTER_CLASS(FileSearch);

}  // namespace kz
