#include "fs/clsKelzudFileSystemA.h"

#include "base/owner.h"

#include <tlhelp32.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <functional>

#include "base/error.h"
#include "base/longhandle.h"
#include "base/perthread.h"
#include "base/pump.h"
#include "base/text.h"
#include "com/collection.h"
#include "com/latebound.h"
#include "frame/catalogue.h"
#include "fs/DriveObject.h"
#include "platform/pickers.h"
#include "platform/ui.h"
#include "platform/volumes.h"

namespace kz {

using namespace fsx;

namespace {

const wchar_t kCrLf[] = L"\r\n";
constexpr DISPID kCountFiles = 1;
constexpr DISPID kCountTotals = 2;
constexpr long kStyleQuestion = 36;     // Yes and No with the question icon
constexpr long kStyleExclamation = 48;  // OK with the exclamation icon
constexpr long kStyleInformation = 64;  // OK with the information icon
constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

std::wstring ErrorHead(const Error& e) {
  return L"Error: " + std::to_wstring(e.number()) + L"  " + e.description();
}

// The generator behind Rnd2: one sequence per thread, stirred with the clock on every call.
struct RandomState {
  unsigned long long state = 0x2545F4914F6CDD1Dull;
};

unsigned long long Mix(unsigned long long x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// A directory entry as a listing gives it.
struct Entry {
  std::wstring name;
  DWORD attributes;
  FILETIME created, accessed, written;
  unsigned long long size;
};

// The entries of a folder (without "." and ".."), in the platform's order. A folder that
// cannot be listed raises the platform's error.
void ListEntries(const std::wstring& folder, std::vector<Entry>& files, std::vector<Entry>* folders) {
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileExW(KernelPath(Join(folder, L"*")).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!h) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_NO_MORE_FILES) return;  // an empty root
    throw ErrorOfWin32(err);
  }
  do {
    const wchar_t* n = fd.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (dir && !folders) continue;
    Entry e{n, fd.dwFileAttributes, fd.ftCreationTime, fd.ftLastAccessTime, fd.ftLastWriteTime,
            (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow};
    (dir ? *folders : files).push_back(std::move(e));
  } while (FindNextFileW(h.get(), &fd));
  DWORD err = GetLastError();
  if (err != ERROR_NO_MORE_FILES) throw ErrorOfWin32(err);
}

// The folder a walk starts from, as a full path; error 76 when there is no such folder.
std::wstring WalkRoot(const std::wstring& folder) {
  if (folder.empty() || !IsUsablePath(folder)) Raise(kErrInvalidCall);
  std::wstring full = FullPath(folder);
  if (!FolderExists(full)) Raise(kErrPathNotFound);
  return full;
}

// Whether two paths name one file (so that replacing one by the other would destroy it).
bool SameFile(const std::wstring& a, const std::wstring& b) {
  auto open = [](const std::wstring& p) {
    return File(CreateFileW(KernelPath(p).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  };
  File fa = open(a), fb = open(b);
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (fa && fb && GetFileInformationByHandle(fa.get(), &ia) && GetFileInformationByHandle(fb.get(), &ib))
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
  return EqualNoCase(FullPath(a), FullPath(b));
}

// Deletes a folder and everything in it. A junction or symbolic link inside the tree is
// removed as a link: what it points at is never entered.
void RemoveTree(const std::wstring& dir, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    std::vector<Entry> files, folders;
    ListEntries(dir, files, &folders);
    for (const Entry& f : files) {
      std::wstring p = KernelPath(Join(dir, f.name));
      if (f.attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(p.c_str(), f.attributes & ~FILE_ATTRIBUTE_READONLY);
      if (!DeleteFileW(p.c_str())) throw ErrorOfWin32(GetLastError());
    }
    for (const Entry& f : folders) RemoveTree(Join(dir, f.name), f.attributes);
  }
  std::wstring p = KernelPath(dir);
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(p.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!RemoveDirectoryW(p.c_str())) throw ErrorOfWin32(GetLastError());
}

// ---- content search ---------------------------------------------------------------------------

// Lower-case forms of the ANSI code page's bytes, for comparing text without regard to case.
// In a multi-byte code page only A to Z are folded, so that no trail byte is changed.
const unsigned char* FoldTable() {
  static unsigned char table[256];
  static bool made = [] {
    CPINFO cp{};
    bool single = GetCPInfo(CP_ACP, &cp) && cp.MaxCharSize == 1;
    for (int b = 0; b < 256; ++b) {
      table[b] = static_cast<unsigned char>(b);
      if (b >= 'A' && b <= 'Z') table[b] = static_cast<unsigned char>(b + 32);
      if (!single || b < 128) continue;
      char c = static_cast<char>(b), back = 0;
      wchar_t w = 0;
      if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &c, 1, &w, 1) != 1) continue;
      CharLowerBuffW(&w, 1);
      BOOL used = FALSE;
      if (WideCharToMultiByte(CP_ACP, 0, &w, 1, &back, 1, nullptr, &used) == 1 && !used)
        table[b] = static_cast<unsigned char>(back);
    }
    return true;
  }();
  (void)made;
  return table;
}

// Whether a file's bytes contain `needle` (already folded), compared without regard to case.
// Read in blocks that overlap by the needle's length; stops at the first match.
bool FileContains(const std::wstring& path, const std::string& needle, const unsigned char* fold) {
  File f(CreateFileW(KernelPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!f) throw ErrorOfWin32(GetLastError());
  constexpr size_t kBlock = 1 << 20;
  const size_t keep = needle.empty() ? 0 : needle.size() - 1;
  std::string buf(kBlock + keep, '\0');
  std::boyer_moore_horspool_searcher<std::string::const_iterator> searcher(needle.begin(), needle.end());
  size_t have = 0;  // bytes carried over from the block before
  bool any = false;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(f.get(), &buf[have], static_cast<DWORD>(kBlock), &got, nullptr)) throw ErrorOfWin32(GetLastError());
    if (got == 0) return false;
    any = true;
    if (needle.empty()) return true;  // any text contains the empty text
    unsigned char* p = reinterpret_cast<unsigned char*>(&buf[have]);
    for (DWORD i = 0; i < got; ++i) p[i] = fold[p[i]];
    size_t len = have + got;
    auto end = buf.begin() + static_cast<std::ptrdiff_t>(len);
    if (std::search(buf.cbegin(), std::string::const_iterator(end), searcher) != std::string::const_iterator(end))
      return true;
    have = std::min(keep, len);
    std::memmove(&buf[0], &buf[len - have], have);
  }
  (void)any;
}

std::wstring GroupedNumber(const std::wstring& text) {
  if (text.empty()) return text;
  NUMBERFMTW fmt{};
  wchar_t dec[8] = L".", sep[8] = L",", grouping[16] = L"3;0";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, dec, 8);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, 8);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16);
  fmt.NumDigits = 0;
  fmt.LeadingZero = 1;
  fmt.Grouping = (grouping[0] >= L'0' && grouping[0] <= L'9') ? static_cast<UINT>(grouping[0] - L'0') : 3;
  fmt.lpDecimalSep = dec;
  fmt.lpThousandSep = sep;
  fmt.NegativeOrder = 1;
  wchar_t out[128];
  if (GetNumberFormatW(LOCALE_USER_DEFAULT, 0, text.c_str(), &fmt, out, 128) <= 0) return text;
  return out;
}

// Lets pending window messages run between the items of a walk. Looking at the queue is a
// round trip to the window server, dearer than a directory entry: between items it is looked at
// once per clock tick (10 to 16 ms), often enough for a window to stay responsive.
void PumpBetweenItems() {
  static thread_local DWORD last = 0;
  DWORD now = GetTickCount();
  if (now == last) return;
  last = now;
  PumpMessages();
}

}  // namespace

FileSystem::FileSystem() : events_(static_cast<_clsKelzudFileSystemA*>(this), DIID___clsKelzudFileSystemA) {
  ClearRecords();
}

FileSystem::~FileSystem() {
  ClearRecords();
  count_ = 0;
}

void FileSystem::ClearRecords() {
  record_ = FileRecord();
  drive_ = DriveRecord();
  record_pending_ = false;
  count_ = 0;
}

// ---- path and name functions ------------------------------------------------------------------

std::wstring FileSystem::AddTrailingSlash(const std::wstring& path) {
  std::wstring s = TrimSpaces(path);
  if (s.empty() || s.back() != L'\\') s += L'\\';
  return s;
}

std::wstring FileSystem::RemoveTrailingSlash(const std::wstring& path) {
  std::wstring s = TrimSpaces(path);
  if (!s.empty() && s.back() == L'\\') s.pop_back();
  return s;
}

std::wstring FileSystem::Shrink(const std::wstring& path, short max_len) {
  std::wstring s = TrimSpaces(path);
  if (static_cast<long>(s.size()) <= max_len) return s;
  bool drive = s.size() >= 2 && s[1] == L':';
  bool network = s.compare(0, 2, L"\\\\") == 0;
  if (!drive && !network) return s;
  // The positions below are 16-bit numbers: longer texts overflow them.
  if (s.size() > 32764) Raise(kErrOverflow);
  size_t first = s.size() > 2 ? s.find(L'\\', 2) : std::wstring::npos;
  long a = first == std::wstring::npos ? 0 : static_cast<long>(first) + 1;  // 1-based, 0 when none
  std::wstring head = s.substr(0, static_cast<size_t>(a)) + L"...";
  long budget = static_cast<long>(max_len) - a - 3;
  if (budget < -32768 || budget > 32767) Raise(kErrOverflow);
  do {
    size_t next = s.find(L'\\', static_cast<size_t>(a));  // at or after position a + 1
    // Nothing left to drop; a backslash at the very start (a text that begins with "\\" and
    // has no other) would be found again and again.
    if (next == std::wstring::npos || next == 0) break;
    s = s.substr(next);
  } while (static_cast<long>(s.size()) > budget);
  return head + s;
}

std::wstring FileSystem::AttributeText(long value) {
  switch (value) {
    case 1: return L"R";
    case 2: return L"H";
    case 3: return L"RH";
    case 4: return L"S";
    case 5: return L"RS";
    case 6: return L"HS";
    case 7: return L"RHS";
    case 8: return L"V";
    case 16: return L"D";
    case 17: return L"DR";
    case 18: return L"DH";
    case 19: return L"DRH";
    case 20: return L"DS";
    case 23: return L"DRHS";
    case 32: return L"A";
    case 33: return L"RA";
    case 34: return L"HA";
    case 35: return L"RHA";
    case 36: return L"SA";
    case 48: return L"DA";
    case 49: return L"DRA";
    case 50: return L"DHA";
    case 51: return L"DRHA";
    case 52: return L"DSA";
    case 53: return L"DRSA";
    case 54: return L"DHSA";
    case 55: return L"DRHSA";
    case 64: return L"Alias";
    default: return std::wstring();
  }
}

float FileSystem::Random(float low, float high) {
  PumpMessages();
  SYSTEMTIME st;
  GetLocalTime(&st);
  DATE now = 0;
  SystemTimeToVariantTime(&st, &now);
  double seed = now + st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond + st.wMilliseconds / 1000.0;
  unsigned long long bits = 0;
  std::memcpy(&bits, &seed, sizeof bits);
  RandomState& r = PerThread<RandomState>::Get();
  r.state = Mix(r.state ^ bits);
  double u = static_cast<double>(r.state >> 11) * (1.0 / 9007199254740992.0);  // [0, 1)
  double span = static_cast<double>(high) - static_cast<double>(low);
  if (!(std::fabs(span) <= FLT_MAX)) Raise(kErrOverflow);
  double v = static_cast<double>(low) + u * span;
  if (!(std::fabs(v) <= FLT_MAX)) Raise(kErrOverflow);
  return static_cast<float>(v);
}

std::wstring FileSystem::TmpName(short length) {
  if (length < 1) return std::wstring();
  std::wstring s = L"_";
  while (static_cast<long>(s.size()) < length) {
    int k = static_cast<int>(std::floor(Random(48.0f, 122.0f)));
    if ((k >= 58 && k <= 64) || (k >= 91 && k <= 96)) k += 7;
    s += static_cast<wchar_t>(k);
  }
  return LowerCase(s);
}

namespace {

// The temporary folder with one trailing backslash; "C:\" when the platform has none.
std::wstring TempBase() {
  wchar_t buf[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH) return L"C:\\";
  return FileSystem::AddTrailingSlash(BeforeNul(std::wstring(buf, n)));
}

}  // namespace

std::wstring FileSystem::TmpFilename(std::wstring& folder) {
  if (!IsUsablePath(folder)) Raise(kErrInvalidCall);
  if (TrimSpaces(folder).empty()) folder = TempBase();
  if (!FolderExists(folder)) throw Error(kErrPathNotFound);
  std::wstring prefix = TmpName(4);
  wchar_t buf[MAX_PATH + 1] = {};
  // A failure is raised: a name of blanks would look like a file the caller could use.
  if (!GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, buf)) throw ErrorOfWin32(GetLastError());
  return BeforeNul(buf);
}

std::wstring FileSystem::TmpFolder() {
  std::wstring name = TmpName(8);
  std::wstring p = RemoveTrailingSlash(TempBase() + name);
  if (!FolderExists(p) && !CreateDirectoryW(KernelPath(p).c_str(), nullptr)) throw ErrorOfWin32(GetLastError());
  return AddTrailingSlash(p);
}

// ---- the file information record ----------------------------------------------------------------

void FileSystem::SetRecord(const FileFacts& f) {
  record_pending_ = false;
  const std::wstring& p = f.path;
  if (p.size() >= 2 && p[1] == L':') {
    record_.drive = p.substr(0, 2);
  } else {
    std::wstring root = p;
    while (!ParentFolderName(root).empty()) root = ParentFolderName(root);
    record_.drive = root;
  }
  record_.path = p;
  record_.parent_folder = ParentFolderName(p);
  record_.size = std::to_wstring(f.size);
  record_.type = TypeName(p);
  record_.extension = ExtensionName(p);
  record_.date_last_accessed = DateText(LocalDate(f.accessed));
  record_.date_last_modified = DateText(LocalDate(f.written));
  record_.date_created = DateText(LocalDate(f.created));
  record_.attributes = AttributeText(static_cast<long>(ScriptingAttributes(f.attributes)));
}

const FileSystem::FileRecord& FileSystem::Record() {
  if (record_pending_) SetRecord(pending_);
  return record_;
}

bool FileSystem::FileInfo(const std::wstring& name) {
  if (TrimSpaces(name).empty() || !IsUsablePath(name)) return false;
  FileFacts f;
  DWORD err = 0;
  if (!QueryFile(name, &f, &err)) return false;
  SetRecord(f);
  return true;
}

// ---- drive, file, folder and process queries ----------------------------------------------------

namespace {

// Whether a folder path below a drive names its folder as it stands: no component that the
// kernel resolves or trims ("." and "..", trailing dots or spaces) and no doubled separator.
bool PlainFolder(const std::wstring& p) {
  if (p.size() <= 3 || p[1] != L':') return false;
  size_t i = IsSeparator(p[2]) ? 3 : 2;
  while (i <= p.size()) {
    size_t e = i;
    while (e < p.size() && !IsSeparator(p[e])) ++e;
    if (e == i) return false;  // an empty component
    if (p[e - 1] == L'.' || p[e - 1] == L' ') return false;
    i = e + 1;
  }
  return true;
}

}  // namespace

bool FileSystem::DriveReady(const std::wstring& drive) {
  if (drive.empty() || !IsUsablePath(drive)) return false;
  wchar_t c = static_cast<wchar_t>(towupper(drive[0]));
  if (c < L'A' || c > L'Z') return false;
  int readiness = Seam<Volumes>().Readiness(std::wstring(1, c) + L":\\");
  if (readiness < 0) throw Error(68);  // device unavailable
  return readiness > 0;
}

bool FileSystem::DriveExist(const std::wstring& search, long& drive_type) {
  drive_type = 0;
  try {
    if (search.size() < 2 || search[1] != L':' || !IsUsablePath(search)) return false;
    std::wstring d = search.substr(0, 2);
    wchar_t c = static_cast<wchar_t>(towupper(d[0]));
    if (c < L'A' || c > L'Z') return false;
    // One question of each kind: whether the drive is there (with its type), the volume (which
    // says whether it is ready), its space, and its share when it is a network drive.
    bool present = false;
    DriveFacts f = QueryDrive(d, &present);
    if (!present || !f.ready) return false;
    drive_.drive_letter = f.letter;
    drive_.share_name = f.share;
    drive_.path = f.path;
    drive_.root_folder = f.root;
    drive_.serial_number = SerialText(f.serial);
    drive_.volume_name = f.volume;
    drive_.total_size = NumberText(f.total);
    drive_.available_space = NumberText(f.available);
    drive_.free_space = NumberText(f.free);
    drive_.drive_type = std::to_wstring(f.type);
    drive_.file_system = f.file_system;
    drive_.is_ready = f.ready ? L"1" : L"0";
    drive_type = f.type;
    di_object_ = Ptr<IDispatch>::Adopt(NewDriveObject(d));
    return true;
  } catch (const Error&) {
    return false;
  }
}

bool FileSystem::FolderExist(const std::wstring& folder) {
  if (!IsUsablePath(folder)) return false;
  std::wstring f = folder;
  std::wstring tail = f.size() > 5 ? f.substr(f.size() - 5) : f;
  if (tail.find(L'.') != std::wstring::npos) f = ParentFolderName(f);
  return FolderExists(RemoveTrailingSlash(f));
}

bool FileSystem::FileExist(const std::wstring& item) {
  if (TrimSpaces(item).empty() || !IsUsablePath(item)) return false;
  long type = 0;
  if (!DriveExist(item.substr(0, 2), type) || type == 0) return false;
  // The answer is "the folder test passes and the file exists". The file is asked first: the
  // folder that plainly holds an existing file exists, so the folder is asked only when the
  // path could lead elsewhere ("..", names the kernel trims) or names no file with a dot.
  if (!fsx::FileExists(item)) return false;
  if (item.size() <= 3) return true;
  std::wstring tail = item.size() > 5 ? item.substr(item.size() - 5) : item;
  if (tail.find(L'.') != std::wstring::npos && PlainFolder(ParentFolderName(item))) return true;
  return FolderExist(item);
}

bool FileSystem::FindAny(const std::wstring& pattern) {
  if (pattern.empty() || !IsUsablePath(pattern)) return false;
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileW(KernelPath(pattern).c_str(), &fd));
  return static_cast<bool>(h);
}

std::vector<std::wstring> FileSystem::AvailableDrives() {
  std::wstring list = Seam<Volumes>().LogicalDriveStrings();
  std::vector<std::wstring> out;
  size_t i = 0;
  while (i < list.size()) {
    size_t e = list.find(L'\0', i);
    if (e == std::wstring::npos) e = list.size();
    if (e > i) out.push_back(list.substr(i, e - i));
    i = e + 1;
  }
  return out;
}

bool FileSystem::Restricted(const std::wstring& path) {
  std::wstring t = TrimSpaces(path);
  if (t.empty() || !IsUsablePath(path)) return true;
  std::wstring f = KernelPath(AddTrailingSlash(t) + L"_Test.$$$");
  bool created = false;
  auto write = [&](DWORD disposition, DWORD access, const char* line) {
    File h(CreateFileW(f.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    created = true;
    DWORD n = 0, len = static_cast<DWORD>(std::strlen(line));
    return WriteFile(h.get(), line, len, &n, nullptr) && n == len;
  };
  bool ok = write(CREATE_ALWAYS, GENERIC_WRITE, "X\r\n") && write(OPEN_EXISTING, FILE_APPEND_DATA, "ABC\r\n") &&
            DeleteFileW(f.c_str());
  if (!ok && created) DeleteFileW(f.c_str());  // no test file is left behind
  return !ok;
}

std::wstring FileSystem::Version(const std::wstring& file) {
  if (!IsUsablePath(file) || !OnDisk(file)) return std::wstring();
  std::wstring p = KernelPath(file);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(p.c_str(), &handle);
  if (!size) return std::wstring();
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(p.c_str(), 0, size, data.data())) return std::wstring();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return std::wstring();
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionLS));
}

bool FileSystem::DiskSpace(const std::wstring& path, double& total, double& free, double& used) {
  total = free = used = 0;
  std::wstring t = TrimSpaces(path);
  if (t.empty() || !IsUsablePath(path)) return false;
  std::wstring root = t.substr(0, 1) + L":\\";
  Volumes& v = Seam<Volumes>();
  unsigned long long a = 0, tt = 0, f = 0;
  if (v.HasDiskFreeSpaceEx() && v.DiskFreeSpaceEx(root, &a, &tt, &f)) {
    total = static_cast<double>(tt);
    free = static_cast<double>(f);
    used = total - free;
  } else {
    total = free = used = 0;
  }
  if (total > 2.2e9) return true;
  total = free = used = 0;
  unsigned long spc = 0, bps = 0, fc = 0, tc = 0;
  if (!v.DiskFreeSpace(root, &spc, &bps, &fc, &tc)) return false;
  // Products of 32-bit signed numbers, as the cluster counts have always been multiplied.
  auto product = [](unsigned long x, unsigned long y, unsigned long z, double* out) {
    long long p = static_cast<long long>(static_cast<long>(x)) * static_cast<long>(y);
    if (p > 2147483647LL || p < -2147483648LL) return false;
    p *= static_cast<long>(z);
    if (p > 2147483647LL || p < -2147483648LL) return false;
    *out = static_cast<double>(p);
    return true;
  };
  if (!product(fc, spc, bps, &free)) return false;
  if (!product(tc, spc, bps, &total)) return false;
  used = total - free;
  return true;
}

bool FileSystem::ExeRunning(const std::wstring& name, Ptr<Collection>* names, long* count) {
  KernelHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0));
  if (!snap || snap.get() == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    snap.release();
    throw ErrorOfWin32(err);
  }
  Ptr<Collection> list = Ptr<Collection>::Adopt(MakeObject<Collection>());
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  bool found = false;
  for (BOOL more = Process32FirstW(snap.get(), &pe); more; more = Process32NextW(snap.get(), &pe)) {
    size_t n = wcsnlen(pe.szExeFile, MAX_PATH);
    std::wstring exe = n < MAX_PATH ? std::wstring(pe.szExeFile, n) : std::wstring();
    if (exe == name) found = true;
    Var item = Var::Str(exe);
    list->Append(*item.get());
  }
  if (count) *count = list->size();
  if (names) *names = list;
  return found;
}

// ---- file operations ------------------------------------------------------------------------------

namespace {

// A new name beside `dest` for the copy that then takes its place.
std::wstring SiblingTemp(const std::wstring& dest) {
  static LONG counter = 0;
  wchar_t tag[48];
  std::swprintf(tag, 48, L".~kz%lx-%lx.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned long>(InterlockedIncrement(&counter)));
  return dest + tag;
}

void Discard(const std::wstring& kernel_path) {
  SetFileAttributesW(kernel_path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(kernel_path.c_str());
}

// Copies `source` to a new file beside `dest` and puts it in the place of `dest` in one step:
// a failure, a full disk or a killed process leaves the old `dest` (or none), never a part of a
// file. The new file is marked for deletion while it is written, so that the system removes it
// when this process ends before it has taken the target's place; a failed copy removes it too.
void CopyInPlace(const std::wstring& source, const std::wstring& dest, bool replacing, DWORD dest_attributes) {
  std::wstring kdest = KernelPath(dest), ktemp;
  File in(CreateFileW(KernelPath(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) throw ErrorOfWin32(GetLastError());
  File out;
  for (int tries = 0;; ++tries) {
    ktemp = KernelPath(SiblingTemp(dest));
    out = File(CreateFileW(ktemp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out) break;
    DWORD err = GetLastError();
    if ((err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) && tries < 100) continue;  // another's name
    throw ErrorOfWin32(err);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  const bool marked = SetFileInformationByHandle(out.get(), FileDispositionInfo, &disposition, sizeof disposition);
  auto fail = [&](DWORD err) {
    out.reset();
    if (!marked) Discard(ktemp);
    throw ErrorOfWin32(err);
  };
  std::vector<char> buf(1 << 20);
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(in.get(), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) fail(GetLastError());
    if (got == 0) break;
    if (!WriteFile(out.get(), buf.data(), got, &put, nullptr)) fail(GetLastError());
    if (put != got) fail(ERROR_DISK_FULL);
  }
  FILETIME created, accessed, written;  // the copy keeps the source's time of last change
  if (GetFileTime(in.get(), &created, &accessed, &written)) SetFileTime(out.get(), nullptr, nullptr, &written);
  disposition.DeleteFile = FALSE;
  if (marked && !SetFileInformationByHandle(out.get(), FileDispositionInfo, &disposition, sizeof disposition))
    fail(GetLastError());
  if (!CloseHandle(out.release())) {
    DWORD err = GetLastError();
    Discard(ktemp);
    throw ErrorOfWin32(err);
  }
  if (replacing) SetFileAttributesW(kdest.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(ktemp.c_str(), kdest.c_str(), replacing ? MOVEFILE_REPLACE_EXISTING : 0)) {
    DWORD err = GetLastError();
    if (replacing) SetFileAttributesW(kdest.c_str(), dest_attributes);
    Discard(ktemp);
    throw ErrorOfWin32(err);
  }
}

}  // namespace

bool FileSystem::Transfer(const std::wstring& source, const std::wstring& target, bool move) {
  // A path the kernel would cut or misread is refused before anything else, the question too.
  const bool usable = IsUsablePath(source) && IsUsablePath(target);
  if (usable && fsx::FileExists(target)) {
    const FileRecord& r = Record();
    std::wstring text = std::wstring(L"File already exist at") + kCrLf + target + kCrLf + r.date_last_modified + kCrLf +
                        r.size + kCrLf + kCrLf + L"Do you want to replace it?";
    if (ShowMessage(text, kStyleQuestion, L"Replace File?") == IDNO) return false;
  }
  try {
    if (!usable) Raise(kErrInvalidCall);
    // The source is checked before anything of the target changes.
    if (source.empty() || HasWildcard(source)) throw Error(kErrFileNotFound);
    std::wstring ksource = KernelPath(source);
    DWORD sa = GetFileAttributesW(ksource.c_str());
    if (sa == INVALID_FILE_ATTRIBUTES) throw ErrorOfWin32(GetLastError());
    if (sa & FILE_ATTRIBUTE_DIRECTORY) throw Error(kErrFileNotFound);
    std::wstring dest = target;
    const bool into_folder = !dest.empty() && IsSeparator(dest.back());
    if (into_folder) dest += FileName(source);
    if (dest.empty() || HasWildcard(dest) || !IsUsablePath(dest)) throw Error(kErrPathNotFound);
    std::wstring kdest = KernelPath(dest);
    DWORD ta = GetFileAttributesW(kdest.c_str());
    bool replacing = ta != INVALID_FILE_ATTRIBUTES && !(ta & FILE_ATTRIBUTE_DIRECTORY);
    // A move into a folder was never asked about the file of that name there: it is kept.
    if (move && into_folder && ta != INVALID_FILE_ATTRIBUTES) throw ErrorOfWin32(ERROR_ALREADY_EXISTS);
    // Replacing a file by itself would delete it.
    if (replacing && SameFile(source, dest)) throw ErrorOfWin32(move ? ERROR_ALREADY_EXISTS : ERROR_SHARING_VIOLATION);
    if (!move) {
      CopyInPlace(source, dest, replacing, ta);
    } else {
      // On one volume a rename replaces the target in one step; across volumes the file is
      // copied in place first and the source deleted after.
      if (replacing) SetFileAttributesW(kdest.c_str(), FILE_ATTRIBUTE_NORMAL);
      BOOL ok = MoveFileExW(ksource.c_str(), kdest.c_str(), replacing ? MOVEFILE_REPLACE_EXISTING : 0);
      DWORD err = ok ? 0 : GetLastError();
      if (!ok && replacing) SetFileAttributesW(kdest.c_str(), ta);
      if (!ok && err != ERROR_NOT_SAME_DEVICE) throw ErrorOfWin32(err);
      if (!ok) {
        CopyInPlace(source, dest, replacing, ta);
        if (sa & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(ksource.c_str(), sa & ~FILE_ATTRIBUTE_READONLY);
        if (!DeleteFileW(ksource.c_str())) {
          err = GetLastError();
          SetFileAttributesW(ksource.c_str(), sa);
          throw ErrorOfWin32(err);
        }
      }
    }
    DWORD keep = sa & kSettableAttributes;
    if (!SetFileAttributesW(kdest.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL)) throw ErrorOfWin32(GetLastError());
    return true;
  } catch (const Error& e) {
    std::wstring text = ErrorHead(e) + kCrLf + kCrLf + (move ? L"Error while moving a file" : L"Error while copying a file") +
                        kCrLf + kCrLf + L"FROM: " + source + kCrLf + L"TO: " + target;
    if (move)
      ShowMessage(text, kStyleInformation, L"Errors detected");
    else
      ShowMessage(text, kStyleExclamation, L"Error Detected");
    return false;
  }
}

bool FileSystem::MoveOne(const std::wstring& source, const std::wstring& target) { return Transfer(source, target, true); }
bool FileSystem::CopyOne(const std::wstring& source, const std::wstring& target) { return Transfer(source, target, false); }

bool FileSystem::DelTree(const std::wstring& path) {
  try {
    if (!IsUsablePath(path)) Raise(kErrInvalidCall);
    if (HasWildcard(path)) {
      DelTreePattern(path);
      return true;
    }
    std::wstring full = FullPath(path);
    DWORD a = Attributes(full);
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) throw Error(kErrPathNotFound);
    if (ParentFolderName(full).empty()) throw ErrorOfWin32(ERROR_ACCESS_DENIED);  // a drive or share root
    RemoveTree(full, a);
    return true;
  } catch (const Error& e) {
    ShowMessage(ErrorHead(e) + kCrLf + kCrLf + L"Error while deleting path " + kCrLf + path, kStyleExclamation,
                L"Error Detected");
    return false;
  }
}

// A pattern in the last part of the path deletes every folder it matches (files it matches
// stay); a pattern anywhere before it, or one that matches no folder, is a path not found.
void FileSystem::DelTreePattern(const std::wstring& path) {
  std::wstring name = FileName(path), parent = ParentFolderName(path);
  if (!HasWildcard(name) || HasWildcard(parent)) throw Error(kErrPathNotFound);
  std::wstring base = FullPath(parent.empty() ? std::wstring(L".") : parent);
  if (!FolderExists(base)) throw Error(kErrPathNotFound);
  std::vector<Entry> matched;
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileExW(KernelPath(Join(base, name)).c_str(), FindExInfoBasic, &fd, FindExSearchLimitToDirectories,
                                nullptr, 0));
  if (h) {
    do {
      const wchar_t* n = fd.cFileName;
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
      matched.push_back(Entry{n, fd.dwFileAttributes, {}, {}, {}, 0});
    } while (FindNextFileW(h.get(), &fd));
  }
  if (matched.empty()) throw Error(kErrPathNotFound);
  for (const Entry& e : matched) RemoveTree(Join(base, e.name), e.attributes);
}

bool FileSystem::CreateDirStruct(const std::wstring& path) {
  if (TrimSpaces(path).empty()) return false;
  std::wstring p = AddTrailingSlash(path), q;
  try {
    if (!IsUsablePath(path)) Raise(kErrInvalidCall);
    for (size_t i = 0; i < p.size(); ++i) {
      if (p[i] != L'\\') continue;
      q = p.substr(0, i);
      if (FolderExists(q)) continue;
      if (q.empty() || HasWildcard(q)) throw ErrorOfWin32(q.empty() ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
      if (!CreateDirectoryW(KernelPath(q).c_str(), nullptr)) throw ErrorOfWin32(GetLastError());
    }
    return true;
  } catch (const Error& e) {
    ShowMessage(ErrorHead(e) + kCrLf + kCrLf + L"An error occured while trying to create " + q, kStyleInformation,
                L"Error creating folder");
    return false;
  }
}

// ---- content search, lists and totals -----------------------------------------------------------

std::vector<std::wstring> FileSystem::Search(const std::wstring& folder, const std::wstring& text) {
  std::wstring base = WalkRoot(folder);
  std::vector<Entry> files;
  ListEntries(base, files, nullptr);
  // The text as the files hold it: ANSI, folded. Text the code page cannot hold is in no file.
  std::string needle;
  BOOL lossy = FALSE;
  if (!text.empty()) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    needle.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &needle[0], n, nullptr, &lossy);
  }
  const unsigned char* fold = FoldTable();
  for (auto& c : needle) c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
  std::vector<std::wstring> found;
  found.reserve(101);
  for (const Entry& e : files) {
    std::wstring p = Join(base, e.name);
    // An empty file holds no text: it matches nothing (it cannot be read as a whole either).
    if (lossy || e.size == 0) continue;
    if (FileContains(p, needle, fold)) found.push_back(p);
  }
  return found;
}

bool FileSystem::ListFolder(const std::wstring& folder, bool subfolders, const Filter& filter, std::wstring& out,
                            std::vector<FileFacts>* collected) {
  PumpBetweenItems();
  if (cancel_) return false;
  std::vector<Entry> files, folders;
  ListEntries(folder, files, subfolders ? &folders : nullptr);
  const size_t mark = out.size(), facts_mark = collected ? collected->size() : 0;
  bool appended = false;
  for (const Entry& e : files) {
    PumpBetweenItems();
    if (cancel_) break;
    if (filter.active && !EqualNoCase(LowerCase(ExtensionName(e.name)), filter.extension)) continue;
    std::wstring path = Join(folder, e.name);
    out += path;
    out += L';';
    appended = true;
    if (collected) collected->push_back(FileFacts{path, e.attributes, e.created, e.accessed, e.written, e.size});
    if (!filter.active) continue;
    count_ += 1;
    if (events_.HasSinks()) {
      BSTR copy = ToBstr(path);
      auto free_copy = OnScopeExit([&] { SysFreeString(copy); });
      VARIANT a, b;
      a.vt = VT_BYREF | VT_R8;
      a.pdblVal = &count_;
      b.vt = VT_BYREF | VT_BSTR;
      b.pbstrVal = &copy;
      events_.FireChecked(kCountFiles, {a, b});
    }
  }
  PumpBetweenItems();
  if (cancel_) {
    out.resize(mark);
    if (collected) collected->resize(facts_mark);
    return true;  // the empty string
  }
  for (const Entry& d : folders) {
    PumpBetweenItems();
    if (cancel_) break;
    // A junction or symbolic link is not walked into: it may lead out of the tree or round
    // in a circle.
    if (d.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    ListFolder(Join(folder, d.name), subfolders, filter, out, collected);
    appended = true;
  }
  return appended;
}

Var FileSystem::ListFiles(const std::wstring& folder, bool subfolders, const std::wstring& pattern,
                          std::vector<FileFacts>* collected) {
  Ptr<_clsKelzudFileSystemA> self = Ptr<_clsKelzudFileSystemA>::Share(itf());  // a handler may drop the caller's
  if (!IsUsablePath(pattern)) Raise(kErrInvalidCall);
  Filter filter;
  if (pattern != L"*.*" && pattern.find(L'*') != std::wstring::npos) {
    filter.active = true;
    filter.extension = LowerCase(ExtensionName(pattern));
  }
  PumpMessages();
  if (cancel_) return Var();
  std::wstring out;
  if (!ListFolder(WalkRoot(folder), subfolders, filter, out, collected)) return Var();
  return Var::Str(out);
}

Var FileSystem::FileList(const std::wstring& folder, bool subfolders, const std::wstring& pattern) {
  return ListFiles(folder, subfolders, pattern, nullptr);
}

std::wstring FileSystem::DirList(const std::wstring& path) {
  std::wstring base = WalkRoot(path);
  std::vector<Entry> files, folders;
  ListEntries(base, files, &folders);
  std::wstring out;
  bool first = true;
  for (const Entry& d : folders) {
    PumpBetweenItems();
    if (cancel_) break;
    if (!first) out += L';';
    out += Join(base, d.name);
    first = false;
  }
  if (cancel_) return std::wstring();
  return out;
}

std::wstring FileSystem::Totals(const std::wstring& path, short data_type, const std::wstring& pattern,
                                bool subfolders) {
  double total = 0;
  if (data_type < 1 || data_type > 4 || TrimSpaces(path).empty()) return L"0";
  DATE since = 0;
  if (data_type >= 2) {
    Bstr p(ToBstr(pattern));
    if (FAILED(VarDateFromStr(p.get(), LOCALE_USER_DEFAULT, 0, &since))) {
      ShowMessage(L"An invalid date was passed.", kStyleInformation, L"Invalid date format");
      return L"0";
    }
  }
  Ptr<_clsKelzudFileSystemA> self = Ptr<_clsKelzudFileSystemA>::Share(itf());
  std::wstring element;
  try {
    // The list and the facts of its files come from one walk: each file is counted from what
    // the listing said of it.
    std::vector<FileFacts> files;
    ListFiles(path, subfolders, pattern, &files);
    for (const FileFacts& f : files) {
      element = f.path;
      pending_ = f;
      record_pending_ = true;
      if (data_type == 1) {
        total += static_cast<double>(f.size);
      } else {
        const FILETIME& ft = data_type == 2 ? f.accessed : data_type == 3 ? f.written : f.created;
        double day = std::floor(LocalDate(ft));  // the date part of the field
        if (since > day) continue;
        total += 1;
      }
      if (events_.HasSinks()) {
        BSTR copy = ToBstr(element);
        auto free_copy = OnScopeExit([&] { SysFreeString(copy); });
        VARIANT a, b;
        a.vt = VT_BYREF | VT_R8;
        a.pdblVal = &total;
        b.vt = VT_BYREF | VT_BSTR;
        b.pbstrVal = &copy;
        events_.FireChecked(kCountTotals, {a, b});
      }
    }
    return NumberText(total);
  } catch (const Error& e) {
    const FileRecord& r = Record();
    std::wstring text = ErrorHead(e) + kCrLf + kCrLf + L"File: " + element + kCrLf + L"Size: " + GroupedNumber(r.size) +
                        kCrLf + L"Created:  " + r.date_created + kCrLf + L"Modified: " + r.date_last_modified + kCrLf +
                        L"Accessed: " + r.date_last_accessed;
    ShowMessage(text, kStyleInformation, L"Errors detected");
    return L"0";
  }
}

std::wstring FileSystem::Browse(IDispatch* owner, const std::wstring& prompt) {
  HWND h = nullptr;
  if (owner) h = HandleFromLong<HWND>(VarToLong(GetProp(owner, L"hWnd").get()));
  return BeforeNul(PickFolder(h, prompt, 1 /* file-system folders only */));
}

// ---- automation interface ---------------------------------------------------------------------

namespace {
VARIANT_BOOL Bool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }
}  // namespace

STDMETHODIMP FileSystem::Get_Extension(BSTR strFilename, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(ExtensionName(FromBstr(strFilename))); });
}
STDMETHODIMP FileSystem::Get_Filename(BSTR strFilename, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(FileName(FromBstr(strFilename))); });
}
STDMETHODIMP FileSystem::Get_Path(BSTR strFilename, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(ParentFolderName(FromBstr(strFilename))); });
}
STDMETHODIMP FileSystem::Add_Trailing_Slash(BSTR strPath, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(AddTrailingSlash(FromBstr(strPath))); });
}
STDMETHODIMP FileSystem::Remove_Trailing_Slash(BSTR strPath, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(RemoveTrailingSlash(FromBstr(strPath))); });
}
STDMETHODIMP FileSystem::Remove_Nulls(BSTR* strInput, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(BeforeNul(FromBstr(strInput))); });
}
STDMETHODIMP FileSystem::Shrink_2_Fit(BSTR strPath_to_Resize, short* intMaxLen, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Shrink(FromBstr(strPath_to_Resize), intMaxLen ? *intMaxLen : 0)); });
}
STDMETHODIMP FileSystem::Attribute_String(long lngValue, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(AttributeText(lngValue)); });
}
STDMETHODIMP FileSystem::Rnd2(float* sngLow, float* sngHigh, float* ret) {
  return Guard([&] { *ret = Random(sngLow ? *sngLow : 0.0f, sngHigh ? *sngHigh : 0.0f); });
}
STDMETHODIMP FileSystem::Create_Tmp_Name(short* intLength, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(TmpName(intLength ? *intLength : 0)); });
}
STDMETHODIMP FileSystem::Create_Tmp_Filename(BSTR* strTmpFolder, BSTR* ret) {
  return Guard([&] {
    std::wstring folder = FromBstr(strTmpFolder);
    std::wstring before = folder;
    // The caller's variable receives the folder as soon as it is chosen, whatever follows.
    auto give_back = OnScopeExit([&] {
      if (strTmpFolder && folder != before) {
        BSTR b = SysAllocStringLen(folder.data(), static_cast<UINT>(folder.size()));
        if (b) {
          SysFreeString(*strTmpFolder);
          *strTmpFolder = b;
        }
      }
    });
    *ret = ToBstr(TmpFilename(folder));
  });
}
STDMETHODIMP FileSystem::Create_Tmp_Folder(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(TmpFolder()); });
}
STDMETHODIMP FileSystem::Get_FileInfo(BSTR* strFilename, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(FileInfo(FromBstr(strFilename))); });
}
STDMETHODIMP FileSystem::get_Count(double* ret) {
  *ret = count_;
  return S_OK;
}
STDMETHODIMP FileSystem::put_Count(double rhs) {
  count_ = rhs;
  return S_OK;
}
STDMETHODIMP FileSystem::get_CancelProcessing(VARIANT_BOOL* ret) {
  *ret = Bool(cancel_);
  return S_OK;
}
STDMETHODIMP FileSystem::put_CancelProcessing(VARIANT_BOOL rhs) {
  cancel_ = rhs != VARIANT_FALSE;
  return S_OK;
}
STDMETHODIMP FileSystem::IsDriveReady(BSTR strDrive, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(DriveReady(FromBstr(strDrive))); });
}
STDMETHODIMP FileSystem::Drive_Exist(BSTR strSearchData, long* lngDriveType, VARIANT_BOOL* ret) {
  return Guard([&] {
    long type = 0;
    bool r = DriveExist(FromBstr(strSearchData), type);
    if (lngDriveType) *lngDriveType = type;
    *ret = Bool(r);
  });
}
STDMETHODIMP FileSystem::File_Exist(BSTR* strSearchItem, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(FileExist(FromBstr(strSearchItem))); });
}
STDMETHODIMP FileSystem::Folder_Exist(BSTR strFolder, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(FolderExist(FromBstr(strFolder))); });
}
STDMETHODIMP FileSystem::FileExists(BSTR* sSource, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(FindAny(FromBstr(sSource))); });
}
STDMETHODIMP FileSystem::Available_Drives(VARIANT* ret) {
  return Guard([&] {
    SAFEARRAY* a = MakeBstrArray(AvailableDrives(), 0);
    VariantInit(ret);
    ret->vt = VT_ARRAY | VT_BSTR;
    ret->parray = a;
  });
}
STDMETHODIMP FileSystem::IsThisRestricted(BSTR* strPath, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(Restricted(FromBstr(strPath))); });
}
STDMETHODIMP FileSystem::Get_Version(BSTR strFilename, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Version(FromBstr(strFilename))); });
}
STDMETHODIMP FileSystem::Get_Disk_Space(BSTR strPath, double* dblTotalSpace, double* dblFreeSpace, double* dblUsedSpace,
                                        VARIANT_BOOL* ret) {
  return Guard([&] {
    double t = 0, f = 0, u = 0;
    bool r = DiskSpace(FromBstr(strPath), t, f, u);
    if (dblTotalSpace) *dblTotalSpace = t;
    if (dblFreeSpace) *dblFreeSpace = f;
    if (dblUsedSpace) *dblUsedSpace = u;
    *ret = Bool(r);
  });
}
STDMETHODIMP FileSystem::IsExeRunning(BSTR* sEXEName, _KzCollection** colEXECollection, long* lEXECount,
                                      VARIANT_BOOL* ret) {
  return Guard([&] {
    Ptr<Collection> names;
    long count = 0;
    bool r = ExeRunning(FromBstr(sEXEName), &names, &count);
    if (lEXECount) *lEXECount = count;
    if (colEXECollection) {
      if (*colEXECollection) (*colEXECollection)->Release();
      *colEXECollection = names.detach();
    }
    *ret = Bool(r);
  });
}
STDMETHODIMP FileSystem::get_DIObject(IDispatch** ret) {
  *ret = di_object_.get();
  if (*ret) (*ret)->AddRef();
  return S_OK;
}
STDMETHODIMP FileSystem::putref_DIObject(IDispatch* rhs) {
  di_object_ = Ptr<IDispatch>::Share(rhs);
  return S_OK;
}
STDMETHODIMP FileSystem::Move_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(MoveOne(FromBstr(strSource), FromBstr(strTarget))); });
}
STDMETHODIMP FileSystem::Copy_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(CopyOne(FromBstr(strSource), FromBstr(strTarget))); });
}
STDMETHODIMP FileSystem::DelTree32(BSTR* strPath, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(DelTree(FromBstr(strPath))); });
}
STDMETHODIMP FileSystem::Create_Dir_Struct(BSTR strPath, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(CreateDirStruct(FromBstr(strPath))); });
}
STDMETHODIMP FileSystem::TextSearch(BSTR* strPath, BSTR* strText, VARIANT* ret) {
  return Guard([&] {
    std::vector<std::wstring> found = Search(FromBstr(strPath), FromBstr(strText));
    if (found.empty()) found = {L"N/A", L""};
    SAFEARRAY* a = MakeBstrArray(found, 0);
    VariantInit(ret);
    ret->vt = VT_ARRAY | VT_BSTR;
    ret->parray = a;
  });
}
STDMETHODIMP FileSystem::Get_FileList(BSTR strFolder, VARIANT_BOOL blnSearchSubfolders, BSTR strPattern, VARIANT* ret) {
  return Guard([&] {
    Var r = FileList(FromBstr(strFolder), blnSearchSubfolders != VARIANT_FALSE, FromBstr(strPattern));
    r.Detach(ret);
  });
}
STDMETHODIMP FileSystem::Get_DirList(BSTR strPath, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(DirList(FromBstr(strPath))); });
}
STDMETHODIMP FileSystem::Get_Totals(BSTR strPath, short intDataType, BSTR strPattern, VARIANT_BOOL blnSearchSubfolders,
                                    BSTR* ret) {
  return Guard([&] {
    *ret = ToBstr(Totals(FromBstr(strPath), intDataType, FromBstr(strPattern), blnSearchSubfolders != VARIANT_FALSE));
  });
}
STDMETHODIMP FileSystem::BrowseForFolder(IDispatch* frm, BSTR strPrompt, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Browse(frm, FromBstr(strPrompt))); });
}

KZ_REGISTER_CLASS(FileSystem);

}  // namespace kz
