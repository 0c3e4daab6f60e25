// Every member of every built class, called with hostile arguments: it must answer with an
// automation error that has a number and a description, or succeed; never crash or hang.
//
// One test per class (each run by ctest in a process of its own), found from the catalogue;
// the members and their parameters come from the type library, so a new class is swept as
// soon as it is built. Each hostile value goes into each parameter position in turn, by value
// and by reference, with the parameters before it given as an unset variable (Empty) and those
// after it left out; then the member is called with no arguments, with one too few and with
// too many. The calls run on a worker thread (its own apartment) watched for hangs.
//
// Nothing a member does may reach beyond scratch: the process's registry roots are redirected
// to a scratch key, the current folder is a scratch folder, and files that appear in (or
// change in) the Windows folder, where the profile functions put bare file names, are undone.
#include "testkit.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "frame/catalogue.h"

using namespace kzt;

namespace {

// Members that act on the machine beyond what the sweep can redirect, with the reason.
// "Class.*" names every member of a class whose whole purpose is such an act; its own tests
// cover it through its seams.
const std::map<std::wstring, const wchar_t*> kDenied = {
    {L"clsKelzudKeyboardA.*", L"sends keys to other windows"},
    {L"clsKelzudWinOnTopA.*", L"changes the order of other windows"},
    {L"clsKELZUDTasksA.*", L"schedules jobs"},
    {L"clsKelzudSystemRestoreA.*", L"creates and removes restore points"},
    {L"clsKelzudWNetwA.*", L"connects and disconnects network drives"},
    {L"clsKelzudFFShortcutA.doAddShortCut", L"writes shell links into the user's folders"},
    {L"clsKelzudFFShortcutA.doAddShortCutPals", L"writes shell links and creates folders"},
    {L"clsKelzudMSWindowsA.AddToDocumentsList", L"adds to the user's recent documents"},
    {L"clsKelzudFontsA.*", L"installs, registers and loads fonts"},
    {L"clsKelzud10RunTimeA.MinAllDekstopWindows", L"sends keys to the desktop (keyboard seam tests cover it)"},
    {L"clsKelzudINIFileHandler1A.PalsSSEXEA", L"runs the programs of its lines"},
    {L"clsKelzudINIFileHandler1A.PalsSSEXENOWAIT", L"runs the programs of its lines"},
    {L"clsKelzudINIFileHandler1A.PalsASFFONT", L"installs fonts"},
    {L"clsKelzudINIFileHandler1A.PalsRSFFONT", L"removes fonts"},
    {L"clsKelzudINIFileHandler1A.PalsCENVVAR", L"changes the environment"},
    {L"clsKelzudINIFileHandler1A.Pals", L"dispatches to the actions above (code 0 sets environment variables)"},
    {L"clsKelzudEnvironmentVarA.EnvironmentSet", L"changes the user's and the machine's environment"},
    {L"clsKelzudINIFileHandler1A.PalsCMODIFYREGENVPATH", L"changes the system path"},
    {L"clsKelzudINIFileHandler1A.PalsCDBTableFld", L"opens databases through the machine's components"},
    {L"clsKelzudINIFileHandler1A.PalsEREGBAK", L"runs the registry editor"},
    {L"clsKelzudINIFileHandler1A.PalsIREGBAK", L"imports into the registry with the registry editor"},
    {L"clsKelzudINIFileHandler1A.PalsCreateShorCuts", L"writes shell links into the user's folders"},
    {L"clsKelzudINIFileHandler1A.PalsRCplDtopEntries", L"changes desktop and control panel entries"},
    {L"clsKelzudINIFileHandler1A.PalsCDBTableFld", L"changes databases"},
    {L"clsKelzudRegHand2A.RegEditSetLastKey", L"starts the registry editor"},
    {L"clsKelzudFileSearchA.SearchFiles", L"walks whole drives for roots such as \"\" (its own tests cover it)"},
};

constexpr DWORD kCallLimitMs = 25000;  // one call, on a busy machine (the 10 MB texts are the slowest)

struct Hostile {
  const char* name;
  Var value;
};

Var Make(VARTYPE vt, LONGLONG bits) {
  Var v;
  v.get()->vt = vt;
  v.get()->llVal = bits;
  return v;
}
Var Dbl(double d, VARTYPE vt = VT_R8) {
  Var v;
  v.get()->vt = vt;
  v.get()->dblVal = d;
  return v;
}
Var Text(const std::wstring& s) { return Var::Str(s); }
Var Array(VARTYPE vt, std::vector<SAFEARRAYBOUND> bounds) {
  Var v;
  SAFEARRAY* sa = SafeArrayCreate(vt, static_cast<UINT>(bounds.size()), bounds.data());
  v.get()->vt = VT_ARRAY | vt;
  v.get()->parray = sa;
  if (vt == VT_VARIANT && sa) {
    // Mixed contents: a number, a text, Null, and a nested array in the first slots.
    VARIANT* data = nullptr;
    SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
    ULONG n = 1;
    for (auto& b : bounds) n *= b.cElements;
    for (ULONG i = 0; i < n; ++i) {
      switch (i % 3) {
        case 0: data[i].vt = VT_I4; data[i].lVal = -1; break;
        case 1: data[i].vt = VT_BSTR; data[i].bstrVal = SysAllocString(L"x\\..\\y"); break;
        default: data[i].vt = VT_NULL; break;
      }
    }
    SafeArrayUnaccessData(sa);
  }
  return v;
}

// A relative path of `length` characters, names of eight letters inside the current (scratch)
// folder, so that whatever a member makes of it stays there: with 32,769 characters its
// kernel form is 32,769 characters longer than the scratch folder's, and a length cut to 16
// bits would name "a" in the scratch folder.
std::wstring LongPath(size_t length) {
  std::wstring p;
  while (p.size() < length) p += L"abcdefgh\\";
  p.resize(length);
  return p;
}

std::wstring FullName(const std::wstring& path) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buf, nullptr);
  return n && n < MAX_PATH ? std::wstring(buf, n) : path;
}

// The table, less the entries that name the object being called (see SelfValues).
std::vector<Hostile> HostileValues() {
  Var error_value;
  error_value.get()->vt = VT_ERROR;
  error_value.get()->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5);
  Var nothing = Var::Object(nullptr);
  Var null;
  null.get()->vt = VT_NULL;
  Var dec;
  dec.get()->vt = VT_DECIMAL;
  dec.get()->decVal.Lo64 = ~0ull;
  dec.get()->decVal.Hi32 = ~0u;
  dec.get()->decVal.signscale = 0;
  std::wstring with_nul(L"a\0b\\c", 5);
  std::vector<Hostile> h = {
      {"Empty", Var()},
      {"Null", null},
      {"Nothing", nothing},
      {"missing", Var::Missing()},
      {"error value 5", error_value},
      {"1-D array of Variant", Array(VT_VARIANT, {{4, 0}})},
      {"1-D array of String", Array(VT_BSTR, {{3, 1}})},
      {"2-D array of Variant", Array(VT_VARIANT, {{2, 0}, {3, 1}})},
      {"empty array", Array(VT_VARIANT, {{0, 0}})},
      {"empty text", Text(L"")},
      {"text with NULs", Text(with_nul)},
      {"text of 40,000 characters", Text(std::wstring(40000, L'x'))},
      {"text of 10 MB", Text(std::wstring(10 * 1024 * 1024 / sizeof(wchar_t), L'y'))},
      {"text outside the code page", Text(L"\x3a9\x20ac\xfffe\xd800")},
      {"Integer -32768", Var::Short(-32768)},
      {"Integer 32767", Var::Short(32767)},
      {"Long -2147483648", Var::Long(-2147483647L - 1)},
      {"Long 2147483647", Var::Long(2147483647L)},
      {"Byte 255", Make(VT_UI1, 255)},
      {"Boolean True", Var::Bool(true)},
      {"NaN", Dbl(std::numeric_limits<double>::quiet_NaN())},
      {"+infinity", Dbl(std::numeric_limits<double>::infinity())},
      {"-infinity", Dbl(-std::numeric_limits<double>::infinity())},
      {"1e300", Dbl(1e300)},
      {"-1e300", Dbl(-1e300)},
      {"Single -3.4e38", [] { Var v; v.get()->vt = VT_R4; v.get()->fltVal = -3.4e38f; return v; }()},
      {"Currency maximum", Make(VT_CY, std::numeric_limits<LONGLONG>::max())},
      {"Currency minimum", Make(VT_CY, std::numeric_limits<LONGLONG>::min())},
      {"Decimal maximum", dec},
      {"date 1/1/100", Dbl(-657434.0, VT_DATE)},
      {"date 31/12/9999", Dbl(2958465.0, VT_DATE)},
      {"date beyond the range", Dbl(1e10, VT_DATE)},
      // Paths and names the file system takes another way than the text reads.
      {"bare file name of 600 characters", Text(std::wstring(596, L'f') + L".txt")},
      {"bare file name of 1,000 characters", Text(std::wstring(1000, L'g'))},
      {"path with a NUL", Text(std::wstring(L"C:\\x\\a.txt") + L'\0' + L"\\sub")},
      {"path of 32,769 characters", Text(LongPath(32769))},
      {"device NUL", Text(L"NUL")},
      {"device CON", Text(L"CON")},
      {"device NUL:", Text(L"NUL:")},
      {"device COM1.txt", Text(L"COM1.txt")},
      {"device LPT9", Text(L"LPT9")},
  };
  // Short (8.3) spellings of a folder and a file of the scratch folder (the current folder),
  // where the file system gives them.
  const std::wstring folder = L"Scratch Folder With A Long Name", file = folder + L"\\A File With A Long Name.txt";
  CreateDirectoryW(folder.c_str(), nullptr);
  WriteFileText(file, "scratch");
  for (const std::wstring& name : {folder, file}) {
    wchar_t buf[MAX_PATH];
    DWORD n = GetShortPathNameW(FullName(name).c_str(), buf, MAX_PATH);
    if (n && n < MAX_PATH && FullName(name) != buf)
      h.push_back({name == folder ? "short name of a folder" : "short name of a file", Text(std::wstring(buf, n))});
  }
  return h;
}

std::vector<Hostile> SelfValues(IDispatch* self) {
  Var unknown;
  unknown.get()->vt = VT_UNKNOWN;
  unknown.get()->punkVal = self;
  self->AddRef();
  return {{"the object itself", Var::Object(self)}, {"the object as IUnknown", unknown}};
}

struct Member {
  std::wstring name;
  MEMBERID id;
  INVOKEKIND kind;
  int n_in = 0;
  int required = 0;
};

std::vector<Member> MembersOf(IDispatch* obj) {
  std::vector<Member> out;
  Ptr<ITypeInfo> ti;
  if (FAILED(obj->GetTypeInfo(0, LOCALE_USER_DEFAULT, ti.out())) || !ti) return out;
  // The interface half of a dual interface lists only the class's own members.
  HREFTYPE h;
  Ptr<ITypeInfo> itf;
  if (SUCCEEDED(ti->GetRefTypeOfImplType(-1, &h)) && SUCCEEDED(ti->GetRefTypeInfo(h, itf.out())) && itf) ti = itf;
  TYPEATTR* ta = nullptr;
  if (FAILED(ti->GetTypeAttr(&ta))) return out;
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
    if (!(fd->wFuncFlags & FUNCFLAG_FRESTRICTED)) {
      Member m;
      m.id = fd->memid;
      m.kind = fd->invkind;
      BSTR name = nullptr;
      UINT got = 0;
      if (SUCCEEDED(ti->GetNames(fd->memid, &name, 1, &got)) && got) m.name = kz::FromBstr(name);
      SysFreeString(name);
      for (SHORT k = 0; k < fd->cParams; ++k) {
        USHORT fl = fd->lprgelemdescParam[k].paramdesc.wParamFlags;
        if (fl & PARAMFLAG_FRETVAL) continue;
        ++m.n_in;
        if (!(fl & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT))) m.required = m.n_in;
      }
      out.push_back(m);
    }
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(ta);
  return out;
}

// What the watchdog and the crash report know of the call in progress.
std::mutex g_lock;
std::string g_current = "(starting)";
std::atomic<long> g_calls{0};

void SetCurrent(const std::string& what) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_current = what;
}
std::string Current() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_current;
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* e) {
  fprintf(stderr, "sweep: CRASH (exception 0x%08lx) in %s\n",
          e && e->ExceptionRecord ? static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode) : 0ul,
          Current().c_str());
  fflush(stderr);
  return EXCEPTION_EXECUTE_HANDLER;
}

struct Outcome {
  std::vector<std::string> faults;
  long calls = 0;
  size_t members = 0;  // swept, that is not on the deny-list
  std::vector<std::string> skipped;
};

// Whether a failed call told the caller what went wrong in terms a script shows.
bool Explained(HRESULT hr, const EXCEPINFO& ei, std::string* why) {
  if (hr == DISP_E_EXCEPTION) {
    long number = ei.scode ? kz::ErrorNumberOf(ei.scode) : ei.wCode;
    if (number == 0) { *why = "an exception without a number"; return false; }
    if (!ei.bstrDescription || !SysStringLen(ei.bstrDescription)) {
      *why = "error " + std::to_string(number) + " without a description";
      return false;
    }
    return true;
  }
  // Failures the script engines turn into numbered errors with their standard texts.
  switch (hr) {
    case DISP_E_TYPEMISMATCH: case DISP_E_OVERFLOW: case DISP_E_BADINDEX: case DISP_E_MEMBERNOTFOUND:
    case DISP_E_PARAMNOTOPTIONAL: case DISP_E_PARAMNOTFOUND: case DISP_E_BADPARAMCOUNT:
    case DISP_E_NONAMEDARGS: case DISP_E_BADVARTYPE: case DISP_E_DIVBYZERO: case DISP_E_ARRAYISLOCKED:
    case E_OUTOFMEMORY: case E_INVALIDARG: case E_POINTER:
      return true;
  }
  long number = kz::ErrorNumberOf(hr);
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL && *kz::StdDescription(number)) return true;
  char buf[64];
  snprintf(buf, sizeof buf, "HRESULT 0x%08lx without an error record", static_cast<unsigned long>(hr));
  *why = buf;
  return false;
}

class Sweeper {
 public:
  Sweeper(const std::wstring& cls, Outcome& out) : cls_(cls), out_(out) {}

  void Run() {
    Ptr<IDispatch> probe = NewObject();
    if (!probe) { out_.faults.push_back("cannot create the class"); return; }
    auto members = MembersOf(probe.get());
    probe.reset();
    hostile_ = HostileValues();
    for (const auto& m : members) {
      std::wstring full = cls_ + L"." + m.name;
      auto denied = kDenied.find(cls_ + L".*");
      if (denied == kDenied.end()) denied = kDenied.find(full);
      if (denied != kDenied.end()) {
        out_.skipped.push_back(kz::ToAnsi(full) + ": " + kz::ToAnsi(denied->second));
        continue;
      }
      ++out_.members;
      SweepMember(m);
    }
    hostile_.clear();
  }

 private:
  Ptr<IDispatch> NewObject() {
    Ptr<IDispatch> d;
    kz::CreateInstance(cls_.c_str(), IID_IDispatch, reinterpret_cast<void**>(d.out()));
    return d;
  }

  void SweepMember(const Member& m) {
    // A fresh object per member: what one member's calls leave behind reaches no other.
    Ptr<IDispatch> obj = NewObject();
    if (!obj) return;
    bool put = m.kind == INVOKE_PROPERTYPUT || m.kind == INVOKE_PROPERTYPUTREF;
    std::string base = kz::ToAnsi(cls_ + L"." + m.name) +
                       (m.kind == INVOKE_PROPERTYGET ? " (get)" : m.kind == INVOKE_PROPERTYPUT ? " (let)"
                        : m.kind == INVOKE_PROPERTYPUTREF ? " (set)" : "");
    // Counts of arguments: none, one too few, too many.
    std::vector<int> counts = {0, m.n_in + 1, m.n_in + 3};
    if (m.required >= 2) counts.push_back(m.required - 1);
    for (int n : counts) {
      std::vector<Var> args(n);
      Call(obj.get(), m, put, args, -1, false, base + " with " + std::to_string(n) + " Empty arguments");
    }
    std::vector<Hostile> self = SelfValues(obj.get());
    std::vector<const Hostile*> table;
    for (const auto& h : hostile_) table.push_back(&h);
    for (const auto& h : self) table.push_back(&h);
    for (int p = 0; p < m.n_in; ++p) {
      for (const Hostile* h : table) {
        for (bool byref : {false, true}) {
          // Empty before the hostile one; after it, left out (a property's value stays last).
          std::vector<Var> args(put ? m.n_in : p + 1);
          if (byref) args[p] = h->value;  // the member may change its copy; by value it cannot
          else borrowed_ = h->value.get();
          Call(obj.get(), m, put, args, p, byref,
               base + " argument " + std::to_string(p + 1) + " = " + h->name + (byref ? " by reference" : " by value"));
        }
      }
    }
  }

  // Calls with `args` in source order (the last one is the assigned value of a property let
  // or set); the argument at `hostile` goes by value or by reference as asked, the others
  // by reference, as a script passes its variables.
  void Call(IDispatch* obj, const Member& m, bool put, std::vector<Var>& args, int hostile, bool byref,
            const std::string& what) {
    SetCurrent(what);
    size_t n = args.size();
    std::vector<VARIANT> rev(n);
    for (size_t i = 0; i < n; ++i) {
      VARIANT& a = rev[n - 1 - i];
      VariantInit(&a);
      bool by_value = static_cast<int>(i) == hostile && !byref;
      if (by_value) {
        a = *borrowed_;  // shallow: the table keeps ownership
      } else {
        a.vt = VT_BYREF | VT_VARIANT;
        a.pvarVal = args[i].get();
      }
    }
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS dp{rev.empty() ? nullptr : rev.data(), put && n ? &put_id : nullptr, static_cast<UINT>(n),
                  put && n ? 1u : 0u};
    WORD flags = m.kind == INVOKE_FUNC ? DISPATCH_METHOD | DISPATCH_PROPERTYGET
                 : m.kind == INVOKE_PROPERTYGET ? DISPATCH_PROPERTYGET
                 : m.kind == INVOKE_PROPERTYPUT ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
    Var result;
    EXCEPINFO ei{};
    UINT arg_err = 0;
    HRESULT hr = obj->Invoke(m.id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, put ? nullptr : result.get(), &ei,
                             &arg_err);
    ++out_.calls;
    g_calls.fetch_add(1);
    std::string why;
    if (FAILED(hr) && !Explained(hr, ei, &why)) out_.faults.push_back(what + ": " + why);
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrDescription);
    SysFreeString(ei.bstrHelpFile);
  }

  std::wstring cls_;
  Outcome& out_;
  std::vector<Hostile> hostile_;
  const VARIANT* borrowed_ = nullptr;  // the hostile value of a by-value call
};

// Files in the Windows folder (where bare profile names go) before the sweep, and the
// contents of its small ones, put back afterwards.
class WindowsFolderGuard {
 public:
  WindowsFolderGuard() {
    wchar_t buf[MAX_PATH];
    UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    dir_.assign(buf, n);
    for (const auto& f : List()) {
      if (f.second <= 256 * 1024) saved_[f.first] = ReadFileText(dir_ + L"\\" + f.first);
      sizes_[f.first] = f.second;
    }
  }
  ~WindowsFolderGuard() { Restore(); }

  // Undoes what changed; returns the names of the files that had to be undone.
  std::vector<std::string> Restore() {
    std::vector<std::string> undone;
    for (const auto& f : List()) {
      std::wstring path = dir_ + L"\\" + f.first;
      auto before = sizes_.find(f.first);
      if (before == sizes_.end()) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        undone.push_back(kz::ToAnsi(f.first) + " (new)");
        continue;
      }
      auto text = saved_.find(f.first);
      if (text != saved_.end() && ReadFileText(path) != text->second) {
        WriteFileText(path, kz::ToAnsi(text->second));
        undone.push_back(kz::ToAnsi(f.first) + " (changed)");
      }
    }
    return undone;
  }

 private:
  std::map<std::wstring, ULONGLONG> List() const {
    std::map<std::wstring, ULONGLONG> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir_ + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      out[fd.cFileName] = (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
  }

  std::wstring dir_;
  std::map<std::wstring, ULONGLONG> sizes_;
  std::map<std::wstring, std::wstring> saved_;
};

// The process's registry roots, redirected to scratch keys for the life of the object.
class RegistryRedirect {
 public:
  explicit RegistryRedirect(const std::wstring& test) {
    scratch_ = L"Software\\Kelzud10Tests\\" + test;
    const std::pair<HKEY, const wchar_t*> roots[] = {
        {HKEY_CLASSES_ROOT, L"HKCR"}, {HKEY_CURRENT_USER, L"HKCU"}, {HKEY_LOCAL_MACHINE, L"HKLM"},
        {HKEY_USERS, L"HKU"}, {HKEY_CURRENT_CONFIG, L"HKCC"}};
    for (const auto& r : roots) {
      HKEY k = nullptr;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, (scratch_ + L"\\" + r.second).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &k, nullptr) == ERROR_SUCCESS)
        keys_.push_back({r.first, k});
    }
    // What the platform itself reads from the machine's key: the cryptographic providers.
    for (const auto& k : keys_) {
      if (k.first != HKEY_LOCAL_MACHINE) continue;
      HKEY copy = nullptr;
      const wchar_t* crypto = L"Software\\Microsoft\\Cryptography";
      if (RegCreateKeyExW(k.second, crypto, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy, nullptr) == ERROR_SUCCESS) {
        RegCopyTreeW(HKEY_LOCAL_MACHINE, crypto, copy);
        RegCloseKey(copy);
      }
    }
    for (const auto& k : keys_) ok_ = RegOverridePredefKey(k.first, k.second) == ERROR_SUCCESS && ok_;
  }
  ~RegistryRedirect() {
    for (const auto& k : keys_) {
      RegOverridePredefKey(k.first, nullptr);
      RegCloseKey(k.second);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
  }
  bool ok() const { return ok_ && keys_.size() == 5; }

 private:
  std::wstring scratch_;
  std::vector<std::pair<HKEY, HKEY>> keys_;
  bool ok_ = true;
};

struct WorkerArgs {
  std::wstring cls;
  Outcome* out;
};

DWORD WINAPI Worker(void* p) {
  auto* a = static_cast<WorkerArgs*>(p);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Sweeper(a->cls, *a->out).Run();
  SetCurrent("(releasing)");
  CoUninitialize();
  return 0;
}

std::vector<std::string> BuiltClasses() {
  std::vector<std::string> out;
  for (const auto& e : kz::Catalogue())
    if (kz::IsBuilt(e)) out.push_back(kz::ToAnsi(e.name));
  return out;
}

class Sweep : public ::testing::TestWithParam<std::string> {};

TEST_P(Sweep, EveryMemberAnswersHostileArguments) {
  std::wstring cls(GetParam().begin(), GetParam().end());
  SetUnhandledExceptionFilter(ReportCrash);
  TempDir scratch;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(scratch.path().c_str()));
  WindowsFolderGuard windows_folder;
  Outcome out;
  {
    RegistryRedirect registry(L"sweep-" + cls);
    ASSERT_TRUE(registry.ok()) << "the registry roots could not be redirected";
    WorkerArgs args{cls, &out};
    HANDLE worker = CreateThread(nullptr, 0, Worker, &args, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    long seen = -1;
    DWORD still = 0;
    while (WaitForSingleObject(worker, 1000) == WAIT_TIMEOUT) {
      long now = g_calls.load();
      still = now == seen ? still + 1000 : 0;
      seen = now;
      if (still >= kCallLimitMs) {
        fprintf(stderr, "sweep: HANG (no answer for %lu s) in %s\n", kCallLimitMs / 1000, Current().c_str());
        fflush(stderr);
        windows_folder.Restore();
        TerminateProcess(GetCurrentProcess(), 3);
      }
    }
    CloseHandle(worker);
  }
  SetCurrentDirectoryW(previous);
  auto undone = windows_folder.Restore();
  for (const auto& s : out.skipped) printf("sweep: skipped %s\n", s.c_str());
  printf("sweep: %s: %ld calls\n", GetParam().c_str(), out.calls);
  for (const auto& u : undone) printf("sweep: undone in the Windows folder: %s\n", u.c_str());
  for (const auto& f : out.faults) ADD_FAILURE() << f;
  if (out.members) {
    EXPECT_GT(out.calls, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Classes, Sweep, ::testing::ValuesIn(BuiltClasses()),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

}  // namespace
