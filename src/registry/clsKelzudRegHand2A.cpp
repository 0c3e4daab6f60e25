#include "registry/clsKelzudRegHand2A.h"

#include <cwchar>

#include "base/error.h"
#include "base/longhandle.h"
#include "base/owner.h"
#include "base/text.h"
#include "frame/catalogue.h"
#include "platform/registry.h"

namespace kz {
namespace {

constexpr long kErrRegistry = 26001;
constexpr long kErrWriteFailed = static_cast<long>(0x800469A9);
constexpr long kErrEnumFailed = static_cast<long>(0x800469AA);
constexpr long kErrBadItems = static_cast<long>(0x800469AC);
constexpr long kErrNoClass = static_cast<long>(0x800469AD);

constexpr REGSAM kQuery = KEY_QUERY_VALUE;
constexpr REGSAM kEnumerate = KEY_ENUMERATE_SUB_KEYS;
constexpr REGSAM kWrite = 0x3F;  // query, set, create subkey, enumerate, notify, create link

constexpr long kRootClasses = static_cast<long>(0x80000000);
constexpr long kRootCurrentUser = static_cast<long>(0x80000001);
constexpr long kRootLocalMachine = static_cast<long>(0x80000002);
constexpr long kLastRoot = static_cast<long>(0x80000006);

const wchar_t kClassesPrefix[] = L"SOFTWARE\\Classes\\";
const wchar_t kEditorKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
const wchar_t kAppDefined[] = L"Application-defined or object-defined error";

// Only the predefined roots address anything: another number could be the handle of a key
// (or of anything else) that this process happens to hold.
HKEY RootOf(long class_key) {
  if (class_key < kRootClasses || class_key > kLastRoot) return nullptr;
  return HandleFromLong<HKEY>(class_key);
}

// A key path that names no subkey: the platform would take it as the root itself.
bool NamesNoSubKey(const std::wstring& path) { return path.find_first_not_of(L" \\") == std::wstring::npos; }

std::wstring RootText(long class_key) { return std::to_wstring(class_key); }

// The text form of a value for a message; values without one show as nothing.
std::wstring TextForMessage(const VARIANT& v) {
  try {
    return VarToStr(&v);
  } catch (const Error&) {
    return L"";
  }
}

[[noreturn]] void RaiseRegistry(long number, const std::wstring& description) {
  throw Error(number, RegAccessor::Source(), description);
}

Var ByteArrayOf(const std::vector<BYTE>& bytes) {
  SAFEARRAYBOUND b{static_cast<ULONG>(bytes.size()), 0};
  SAFEARRAY* sa = SafeArrayCreate(VT_UI1, 1, &b);
  if (!sa) Raise(kErrOutOfMemory);
  if (!bytes.empty()) {
    void* p = nullptr;
    SafeArrayAccessData(sa, &p);
    memcpy(p, bytes.data(), bytes.size());
    SafeArrayUnaccessData(sa);
  }
  Var r;
  r.get()->vt = VT_ARRAY | VT_UI1;
  r.get()->parray = sa;
  return r;
}

// A Variant element that is a whole number from 0 to 255, as a byte.
bool ByteOf(const VARIANT& element, BYTE* out) {
  const VARIANT* e = &element;
  while (e->vt == (VT_BYREF | VT_VARIANT) && e->pvarVal) e = e->pvarVal;
  switch (e->vt) {
    case VT_UI1: case VT_I1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL:
      break;
    default: return false;  // text, dates, Booleans and the rest are no bytes
  }
  VARIANT r;
  VariantInit(&r);
  if (FAILED(VariantChangeType(&r, const_cast<VARIANT*>(e), 0, VT_R8))) return false;  // reads only
  const double d = r.dblVal;
  if (!(d >= 0 && d <= 255) || d != static_cast<double>(static_cast<int>(d))) return false;
  *out = static_cast<BYTE>(d);
  return true;
}

// Every element of a Byte array, or of a Variant array whose elements are all whole numbers
// from 0 to 255 (the form in which a script holds binary data), first to last; false for
// anything else.
bool BytesOf(const VARIANT& v, std::vector<BYTE>* out) {
  VARTYPE vt = v.vt & ~VT_BYREF;
  SAFEARRAY* sa = (v.vt & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray;
  if ((vt != (VT_ARRAY | VT_UI1) && vt != (VT_ARRAY | VT_VARIANT)) || !sa) return false;
  ULONG n = 1;
  for (UINT d = 0; d < SafeArrayGetDim(sa); ++d) n *= sa->rgsabound[d].cElements;
  out->resize(n);
  if (n == 0) return true;
  void* p = nullptr;
  if (FAILED(SafeArrayAccessData(sa, &p))) return false;
  bool ok = true;
  if (vt == (VT_ARRAY | VT_UI1)) {
    memcpy(out->data(), p, n);
  } else {
    const VARIANT* elements = static_cast<const VARIANT*>(p);
    for (ULONG i = 0; i < n && ok; ++i) ok = ByteOf(elements[i], &(*out)[i]);
  }
  SafeArrayUnaccessData(sa);
  return ok;
}

void ReplaceArray(SAFEARRAY** target, const std::vector<std::wstring>& items) {
  SAFEARRAY* sa = MakeBstrArray(items, 1);
  if (*target) SafeArrayDestroy(*target);
  *target = sa;
}

std::wstring TextOrEmpty(BSTR* b) { return b ? FromBstr(*b) : std::wstring(); }

}  // namespace

const wchar_t* RegAccessor::Source() { return L"kelzud10.cRegistry"; }

bool RegAccessor::LooksExpandable(const std::wstring& text) {
  size_t first = text.find(L'%');
  if (first == std::wstring::npos) return false;
  return text.find(L'%', first + 2) != std::wstring::npos;
}

// ---- behaviour -------------------------------------------------------------------------------

bool RegAccessor::KeyExistsNow() const {
  RegKey key;
  return registry::OpenKey(RootOf(class_key_), section_, kQuery, &key) == ERROR_SUCCESS;
}

void RegAccessor::CreateKeyNow() {
  RegKey key;
  if (registry::CreateKey(RootOf(class_key_), section_, kWrite, &key) != ERROR_SUCCESS)
    RaiseRegistry(kErrRegistry, L"Failed to create registry Key: '" + section_);
}

void RegAccessor::DeleteKeyNow() {
  HKEY root = RootOf(class_key_);
  LONG rc = NamesNoSubKey(section_) ? ERROR_INVALID_PARAMETER : registry::DeleteKey(root, section_);
  if (rc != ERROR_SUCCESS)
    RaiseRegistry(kErrRegistry, L"Failed to delete registry Key: '" + RootText(class_key_) + L"',Section: '" + section_);
}

void RegAccessor::DeleteValueNow() {
  RegKey key;
  if (registry::OpenKey(RootOf(class_key_), section_, kWrite, &key) != ERROR_SUCCESS)
    RaiseRegistry(kErrRegistry, L"Failed to open key '" + RootText(class_key_) + L"',Section: '" + section_ +
                                    L"' for delete access");
  if (registry::DeleteValue(key.get(), value_name_) != ERROR_SUCCESS)
    RaiseRegistry(kErrRegistry, L"Failed to delete registry Key: '" + RootText(class_key_) + L"',Section: '" +
                                    section_ + L"',Key: '" + value_name_);
}

Var RegAccessor::Read() {
  RegKey key;
  registry::OpenKey(RootOf(class_key_), section_, kQuery, &key);  // a failure shows in the read
  registry::ValueData data;
  if (!key.get() || registry::QueryValue(key.get(), value_name_, &data) != ERROR_SUCCESS) return default_;
  value_type_ = static_cast<long>(data.type);
  const std::vector<BYTE>& d = data.bytes;
  switch (data.type) {
    case REG_SZ:
    case REG_MULTI_SZ:
    case REG_EXPAND_SZ: {
      if (d.empty()) throw Error(kErrInvalidCall, Source(), StdDescription(kErrInvalidCall));
      std::wstring text = FromAnsi(reinterpret_cast<const char*>(d.data()), d.size() - 1);
      if (data.type == REG_EXPAND_SZ) text = registry::ExpandEnvironment(text, 1024);
      return Var::Str(text);
    }
    case REG_DWORD: {
      BYTE b[4] = {};
      memcpy(b, d.data(), d.size() < 4 ? d.size() : 4);
      return Var::Long(static_cast<long>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<DWORD>(b[3]) << 24)));
    }
    case REG_DWORD_BIG_ENDIAN: {
      BYTE b[4] = {};
      memcpy(b, d.data(), d.size() < 4 ? d.size() : 4);
      return Var::Long(static_cast<long>((static_cast<DWORD>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3]));
    }
    default:
      return ByteArrayOf(d);
  }
}

void RegAccessor::Write(const VARIANT& given) {
  Var v = Deref(&given);
  auto message = [&] {
    return L"Failed to set registry value Key: '" + RootText(class_key_) + L"',Section: '" + section_ +
           L"',Key: '" + value_name_ + L"' to value: '" + TextForMessage(*v.get()) + L"'";
  };
  RegKey key;
  if (registry::CreateKey(RootOf(class_key_), section_, kWrite, &key) != ERROR_SUCCESS)
    RaiseRegistry(kErrRegistry, message());
  LONG rc = ERROR_SUCCESS;
  switch (value_type_) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::wstring text = VarToStr(v.get());
      DWORD type = LooksExpandable(text) ? REG_EXPAND_SZ : REG_SZ;
      rc = registry::SetText(key.get(), value_name_, type, text + L'\0');
      break;
    }
    case REG_BINARY: {
      std::vector<BYTE> bytes;
      if (!BytesOf(*v.get(), &bytes)) throw Error(kErrRegistry, Source(), kAppDefined);
      rc = registry::SetBytes(key.get(), value_name_, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
      break;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
      const VARIANT* p = v.get();
      if (p->vt != VT_I2 && p->vt != VT_I4) break;  // other numbers are not written
      DWORD n = static_cast<DWORD>(p->vt == VT_I2 ? static_cast<long>(p->iVal) : p->lVal);
      BYTE b[4] = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                   static_cast<BYTE>(n >> 24)};
      rc = registry::SetBytes(key.get(), value_name_, REG_DWORD, b, 4);
      break;
    }
    default:
      rc = ERROR_INVALID_DATA;
  }
  if (rc != ERROR_SUCCESS) RaiseRegistry(kErrWriteFailed, message());
}

std::vector<std::wstring> RegAccessor::ValueNames() const {
  std::vector<std::wstring> names;
  RegKey key;
  if (registry::OpenKey(RootOf(class_key_), section_, kQuery, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    std::wstring name;
    DWORD type = 0;
    if (registry::EnumValueName(key.get(), i, &name, &type) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  return names;
}

std::vector<std::wstring> RegAccessor::SubkeyNames() const {
  std::vector<std::wstring> names;
  RegKey key;
  if (registry::OpenKey(RootOf(class_key_), section_, kEnumerate, &key) != ERROR_SUCCESS) return names;
  try {
    for (DWORD i = 0;; ++i) {
      std::wstring name;
      if (registry::EnumKeyName(key.get(), i, &name) != ERROR_SUCCESS) break;
      names.push_back(name.substr(0, name.find(L'\0')));
    }
  } catch (const Error& e) {
    RaiseRegistry(kErrEnumFailed, e.description());
  } catch (const std::bad_alloc&) {
    RaiseRegistry(kErrEnumFailed, StdDescription(kErrOutOfMemory));
  }
  return names;
}

void RegAccessor::WriteBoth(const std::wstring& text) {
  Var v = Var::Str(text);
  class_key_ = kRootClasses;
  Write(*v.get());
  std::wstring below = section_;
  class_key_ = kRootLocalMachine;
  section_ = kClassesPrefix + below;
  try {
    Write(*v.get());
  } catch (...) {
    section_ = below;
    throw;
  }
  section_ = below;
}

void RegAccessor::Associate(const Association& a) {
  std::wstring path = a.exe_path;
  size_t b = path.find_first_not_of(L' ');
  size_t e = path.find_last_not_of(L' ');
  path = b == std::wstring::npos ? std::wstring() : path.substr(b, e - b + 1);
  if (path.empty() || path.front() != L'"') path.insert(path.begin(), L'"');
  if (path.size() < 2 || path.back() != L'"') path.push_back(L'"');
  const std::wstring arg = L"\"%1\"";
  auto verb = [&](const wchar_t* name, const std::wstring& text, const wchar_t* fallback, const wchar_t* flag) {
    section_ = a.class_name + L"\\shell\\" + name;
    value_name_.clear();
    WriteBoth(text.empty() ? std::wstring(fallback) : text);
    section_ = a.class_name + L"\\shell\\" + name + L"\\command";
    value_name_.clear();
    WriteBoth(path + L" " + flag + arg);
  };
  section_ = L"." + a.extension;
  value_type_ = REG_SZ;
  value_name_.clear();
  WriteBoth(a.class_name);
  section_ = a.class_name;
  WriteBoth(a.description);
  verb(L"open", a.open_text, L"&Open", L"");
  if (a.print) verb(L"print", a.print_text, L"&Print", L"/p ");
  if (a.install) verb(L"add", a.install_text, (L"&Install " + a.extension).c_str(), L"/a ");
  if (a.add_new) verb(L"new", a.new_text, L"&New", L"/n ");
  if (a.icon_index >= 0) {
    section_ = a.class_name + L"\\DefaultIcon";
    value_name_.clear();
    WriteBoth(path + L"," + std::to_wstring(a.icon_index));
  }
}

void RegAccessor::AddCommands(const std::wstring& class_name, const std::vector<std::wstring>& items,
                              bool has_bounds) {
  if (!has_bounds || items.size() % 3 != 0)
    RaiseRegistry(kErrBadItems, L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
                                L"Name/Text/Command");
  section_ = class_name;
  if (!KeyExistsNow())
    RaiseRegistry(kErrNoClass, L"Error - attempt to create additional associations before class defined.");
  for (size_t i = 0; i + 2 < items.size(); i += 3) {
    // Each step on its own: a failing one is skipped and the next one runs.
    try {
      value_type_ = REG_SZ;
      section_ = class_name + L"\\shell\\" + items[i];
      value_name_.clear();
      WriteBoth(items[i + 1]);
    } catch (const Error&) {
    }
    try {
      section_ = class_name + L"\\shell\\" + items[i] + L"\\command";
      value_name_.clear();
      WriteBoth(items[i + 2]);
    } catch (const Error&) {
    }
  }
}

void RegAccessor::SetEditorLastKey(const std::wstring& last_key, bool run_editor) {
  class_key_ = kRootCurrentUser;
  section_ = kEditorKey;
  value_name_ = L"LastKey";
  value_type_ = REG_SZ;
  Var v = Var::Str(last_key);
  Write(*v.get());
  if (!run_editor) return;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWMAXIMIZED;
  PROCESS_INFORMATION pi{};
  wchar_t command[] = L"regedit.exe";
  // Not waited for; a start that fails leaves nothing to report, as with any shell start.
  if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

// ---- automation interface --------------------------------------------------------------------

STDMETHODIMP RegAccessor::get_KeyExists(VARIANT_BOOL* ret) {
  return Guard([&] { *ret = KeyExistsNow() ? VARIANT_TRUE : VARIANT_FALSE; });
}

STDMETHODIMP RegAccessor::CreateKey(VARIANT_BOOL* ret) {
  return Guard([&] {
    CreateKeyNow();
    *ret = VARIANT_TRUE;
  });
}

STDMETHODIMP RegAccessor::DeleteKey(VARIANT_BOOL* ret) {
  return Guard([&] {
    DeleteKeyNow();
    *ret = VARIANT_TRUE;
  });
}

STDMETHODIMP RegAccessor::DeleteValue(VARIANT_BOOL* ret) {
  return Guard([&] {
    DeleteValueNow();
    *ret = VARIANT_TRUE;
  });
}

STDMETHODIMP RegAccessor::get_Value(VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] {
    long type_before = value_type_;
    try {
      Read().Detach(ret);
    } catch (...) {
      value_type_ = type_before;  // a raised error leaves the fields as they were
      throw;
    }
  });
}

STDMETHODIMP RegAccessor::put_Value(VARIANT rhs) {
  return Guard([&] { Write(rhs); });
}

STDMETHODIMP RegAccessor::EnumerateValues(SAFEARRAY** names, long* count, VARIANT_BOOL* ret) {
  return Guard([&] {
    *count = 0;
    std::vector<std::wstring> found = ValueNames();
    ReplaceArray(names, found);
    *count = static_cast<long>(found.size());
    *ret = VARIANT_TRUE;
  });
}

STDMETHODIMP RegAccessor::EnumerateSections(SAFEARRAY** names, long* count, VARIANT_BOOL* ret) {
  return Guard([&] {
    *count = 0;
    std::vector<std::wstring> found = SubkeyNames();
    ReplaceArray(names, found);
    *count = static_cast<long>(found.size());
    *ret = VARIANT_TRUE;
  });
}

STDMETHODIMP RegAccessor::CreateEXEAssociation(BSTR* sExePath, BSTR* sClassName, BSTR* sClassDescription,
                                               BSTR* sAssociation, BSTR* sOpenMenuText, VARIANT_BOOL* bSupportPrint,
                                               BSTR* sPrintMenuText, VARIANT_BOOL* bSupportNew, BSTR* sNewMenuText,
                                               VARIANT_BOOL* bSupportInstall, BSTR* sInstallMenuText,
                                               long* lDefaultIconIndex) {
  return Guard([&] {
    Association a;
    a.exe_path = TextOrEmpty(sExePath);
    a.class_name = TextOrEmpty(sClassName);
    a.description = TextOrEmpty(sClassDescription);
    a.extension = TextOrEmpty(sAssociation);
    a.open_text = TextOrEmpty(sOpenMenuText);
    a.print_text = TextOrEmpty(sPrintMenuText);
    a.new_text = TextOrEmpty(sNewMenuText);
    a.install_text = TextOrEmpty(sInstallMenuText);
    a.print = bSupportPrint && *bSupportPrint;
    a.add_new = bSupportNew && *bSupportNew;
    a.install = bSupportInstall && *bSupportInstall;
    a.icon_index = lDefaultIconIndex ? *lDefaultIconIndex : -1;
    Associate(a);
  });
}

STDMETHODIMP RegAccessor::CreateAdditionalEXEAssociations(BSTR* sClassName, SAFEARRAY** vItems) {
  return Guard([&] {
    SAFEARRAY* sa = vItems ? *vItems : nullptr;
    std::vector<std::wstring> items;
    bool has_bounds = sa && SafeArrayGetDim(sa) >= 1;
    if (has_bounds) {
      LONG ub = 0;
      SafeArrayGetUBound(sa, 1, &ub);
      VARTYPE vt = VT_EMPTY;
      SafeArrayGetVartype(sa, &vt);
      long count = static_cast<long>(ub) + 1;
      if (count < 0) count = 1;  // not a multiple of three either way
      for (LONG i = 0; i < count; ++i) {
        // An item that cannot be read or turned into text leaves its step to fail.
        std::wstring text;
        if (vt == VT_VARIANT) {
          Var item;
          if (SUCCEEDED(SafeArrayGetElement(sa, &i, item.get()))) text = TextForMessage(*item.get());
        } else if (vt == VT_BSTR) {
          BSTR b = nullptr;
          if (SUCCEEDED(SafeArrayGetElement(sa, &i, &b))) {
            text = FromBstr(b);
            SysFreeString(b);
          }
        }
        items.push_back(text);
      }
    }
    AddCommands(TextOrEmpty(sClassName), items, has_bounds);
  });
}

STDMETHODIMP RegAccessor::get_ValueType(ERegistryValueTypes* ret) {
  *ret = static_cast<ERegistryValueTypes>(value_type_);
  return S_OK;
}
STDMETHODIMP RegAccessor::put_ValueType(ERegistryValueTypes rhs) {
  value_type_ = rhs;
  return S_OK;
}
STDMETHODIMP RegAccessor::get_ClassKey(ERegistryClassConstants* ret) {
  *ret = static_cast<ERegistryClassConstants>(class_key_);
  return S_OK;
}
STDMETHODIMP RegAccessor::put_ClassKey(ERegistryClassConstants rhs) {
  class_key_ = rhs;
  return S_OK;
}
STDMETHODIMP RegAccessor::get_SectionKey(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(section_); });
}
STDMETHODIMP RegAccessor::put_SectionKey(BSTR rhs) {
  return Guard([&] { section_ = FromBstr(rhs); });
}
STDMETHODIMP RegAccessor::get_ValueKey(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(value_name_); });
}
STDMETHODIMP RegAccessor::put_ValueKey(BSTR rhs) {
  return Guard([&] { value_name_ = FromBstr(rhs); });
}
STDMETHODIMP RegAccessor::get_Default(VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return VariantCopy(ret, default_.get());
}
STDMETHODIMP RegAccessor::put_Default(VARIANT rhs) {
  return Guard([&] { default_ = Deref(&rhs); });
}

STDMETHODIMP RegAccessor::RegEditSetLastKey(BSTR* sLastKey, VARIANT_BOOL* bRunRegEdit, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    // An omitted key takes its default from the type library; an empty one is written as given.
    SetEditorLastKey(TextOrEmpty(sLastKey), bRunRegEdit && *bRunRegEdit == VARIANT_TRUE);
  });
}

KZ_REGISTER_CLASS(RegAccessor);

}  // namespace kz
