// kzpals: runs one section of an action file outside a setup program.
//
//   kzpals FILE SECTION CODE
//   kzpals --version
//
// Creates the INI handler by its programmatic identifier, points it at FILE and SECTION, and
// calls Pals with CODE (a number, or a code name such as kelzudIFHPalsCREGK). Each way of
// failing has a message on stderr and an exit status of its own (docs/kzpals.md):
//   0 done, 1 an action line failed, 2 usage, 3 no such file, 4 FILE is a folder,
//   5 path too long, 6 no such section, 7 section without lines, 8 code without an action,
//   9 code out of range, 10 the library cannot be created, 11 any other failure.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <string>

#include "version.h"

namespace {

enum Exit {
  kDone = 0, kLineFailed = 1, kUsage = 2, kNoFile = 3, kFolder = 4, kPathTooLong = 5, kNoSection = 6,
  kEmptySection = 7, kNoAction = 8, kCodeRange = 9, kNoLibrary = 10, kOtherFailure = 11,
};

struct Code {
  const wchar_t* name;
  long value;
  bool has_action;  // Pals calls an action method for it; other codes do nothing
};
const Code kCodes[] = {
    {L"CENVVAR", 0, true},   {L"DENVVAR", 1, false},     {L"CWNDRV", 2, false},     {L"DWNDRV", 3, false},
    {L"CREGK", 4, true},     {L"DREGK", 5, false},       {L"MSFNF", 6, false},      {L"KSFNF", 7, false},
    {L"CSFNF", 8, true},     {L"DSFNF", 9, false},       {L"RSFAXC", 10, false},    {L"USFAXC", 11, false},
    {L"ASFFONT", 12, true},  {L"RSFFONT", 13, false},    {L"CSFNFA", 14, true},     {L"CSCMDA", 15, true},
    {L"CSFLINK", 16, false}, {L"DSFLINK", 17, false},    {L"SWSTUP", 18, false},    {L"DWSTUP", 19, false},
    {L"APSUPUS", 20, false}, {L"RPSUPUS", 21, false},    {L"SSEXEAW", 31, true},    {L"FormMap1", 32, true},
    {L"FormMap2", 33, true}, {L"SINI", 34, true},        {L"CSFLINKEX", 41, true},  {L"DSFLINKEX", 42, false},
    {L"EREGBAK", 43, true},  {L"IREGBAK", 44, true},     {L"CSHORCUT", 45, true},   {L"DSHORCUT", 46, false},
    {L"CSFILES", 47, true},  {L"DSFILES", 48, false},    {L"CMODIFYREGENVPATH", 49, true},
    {L"SSEXENOWAIT", 50, true}, {L"CDBTableFld", 51, true},
};

const Code* Known(long value) {
  for (const Code& c : kCodes)
    if (c.value == value) return &c;
  return nullptr;
}

// The code as a number or a name; kDone, kNoAction (a name nobody knows) or kCodeRange.
int ParseCode(const wchar_t* text, long* code) {
  wchar_t* end = nullptr;
  errno = 0;
  long long n = std::wcstoll(text, &end, 10);
  if (end != text && *end == L'\0') {
    if (errno == ERANGE || n < LONG_MIN || n > LONG_MAX) return kCodeRange;
    *code = static_cast<long>(n);
    return kDone;
  }
  std::wstring t = text;
  const std::wstring prefix = L"kelzudIFHPals";
  if (t.size() > prefix.size() && _wcsnicmp(t.c_str(), prefix.c_str(), prefix.size()) == 0) t = t.substr(prefix.size());
  for (const Code& c : kCodes)
    if (_wcsicmp(c.name, t.c_str()) == 0) {
      *code = c.value;
      return kDone;
    }
  return kNoAction;
}

HRESULT Put(IDispatch* d, const wchar_t* name, const std::wstring& value) {
  DISPID id;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS dp{&v, &put, 1, 1};
  hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, nullptr);
  VariantClear(&v);
  return hr;
}

int Fail(int status, const wchar_t* what, HRESULT hr) {
  std::fwprintf(stderr, L"kzpals: %ls (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  return status;
}

// A property of the handler as text; false when it cannot be read.
bool Get(IDispatch* d, const wchar_t* name, std::wstring* value) {
  DISPID id;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  if (FAILED(d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) return false;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT v;
  VariantInit(&v);
  if (FAILED(d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr)) ||
      v.vt != VT_BSTR) {
    VariantClear(&v);
    return false;
  }
  value->assign(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return true;
}

// Whether a NUL-separated name list holds `name` (names match without regard to case).
bool ListHolds(const std::wstring& list, const std::wstring& name) {
  for (size_t start = 0, p; (p = list.find(L'\0', start)) != std::wstring::npos; start = p + 1)
    if (_wcsicmp(list.substr(start, p - start).c_str(), name.c_str()) == 0) return true;
  return false;
}

int Run(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"--version") == 0) {
    std::wprintf(L"kzpals %hs (%ls)\n", KZ_VER_TEXT, sizeof(void*) == 8 ? L"x64" : L"x86");
    return 0;
  }
  if (argc != 4) {
    std::fwprintf(stderr, L"usage: kzpals FILE SECTION CODE\n");
    return kUsage;
  }
  const std::wstring section = argv[2];
  long code = 0;
  int parsed = ParseCode(argv[3], &code);
  if (parsed == kCodeRange) {
    std::fwprintf(stderr, L"kzpals: action code '%ls' is out of range (a code is a 32-bit number)\n", argv[3]);
    return kCodeRange;
  }
  const Code* known = parsed == kDone ? Known(code) : nullptr;
  if (!known || !known->has_action) {
    std::fwprintf(stderr, L"kzpals: action code '%ls' has no action: nothing to run\n", argv[3]);
    return kNoAction;
  }
  // A file name without a folder would be looked up in the Windows folder: make it full.
  DWORD need = GetFullPathNameW(argv[1], 0, nullptr, nullptr);
  std::wstring full(need ? need : 1, L'\0');
  DWORD got = need ? GetFullPathNameW(argv[1], need, &full[0], nullptr) : 0;
  if (!got || got >= need) return Fail(kNoFile, L"bad file name", HRESULT_FROM_WIN32(GetLastError()));
  full.resize(got);
  if (full.size() >= MAX_PATH) {
    std::fwprintf(stderr, L"kzpals: the path of the action file is too long (%u characters; at most %u): %ls\n",
                  static_cast<unsigned>(full.size()), static_cast<unsigned>(MAX_PATH - 1), full.c_str());
    return kPathTooLong;
  }
  DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    std::fwprintf(stderr, L"kzpals: no such file: %ls\n", full.c_str());
    return kNoFile;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    std::fwprintf(stderr, L"kzpals: %ls is a folder, not an action file\n", full.c_str());
    return kFolder;
  }

  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(L"Kelzud10.clsKelzudINIFileHandler1A", &clsid);
  if (FAILED(hr)) return Fail(kNoLibrary, L"Kelzud10.clsKelzudINIFileHandler1A is not registered", hr);
  IDispatch* h = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&h));
  if (FAILED(hr)) return Fail(kNoLibrary, L"cannot create Kelzud10.clsKelzudINIFileHandler1A", hr);
  int rc = kDone;
  std::wstring keys, sections;
  if (FAILED(hr = Put(h, L"Path", full)) || FAILED(hr = Put(h, L"Section", section))) {
    rc = Fail(kOtherFailure, L"cannot set Path and Section", hr);
  } else if (!Get(h, L"INISection", &keys) || !Get(h, L"Sections", &sections)) {
    rc = Fail(kOtherFailure, L"cannot read the action file", E_FAIL);
  } else if (!ListHolds(sections, section)) {
    std::fwprintf(stderr, L"kzpals: no section [%ls] in %ls\n", section.c_str(), full.c_str());
    rc = kNoSection;
  } else if (keys.empty()) {
    std::fwprintf(stderr, L"kzpals: section [%ls] of %ls has no lines\n", section.c_str(), full.c_str());
    rc = kEmptySection;
  } else {
    DISPID id;
    LPOLESTR n = const_cast<LPOLESTR>(L"Pals");
    hr = h->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT arg;
    arg.vt = VT_I4;
    arg.lVal = code;
    DISPPARAMS dp{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO ei{};
    if (SUCCEEDED(hr)) hr = h->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &result, &ei, nullptr);
    VariantClear(&result);
    if (hr == DISP_E_EXCEPTION) {
      long number = HRESULT_FACILITY(ei.scode) == FACILITY_CONTROL ? HRESULT_CODE(ei.scode) : ei.scode;
      std::wstring line;
      Get(h, L"Key", &line);  // the action leaves Key at the line it was carrying out
      std::fwprintf(stderr, L"kzpals: [%ls] line \"%ls\": error %ld in %ls: %ls\n", section.c_str(), line.c_str(), number,
                    ei.bstrSource ? ei.bstrSource : L"", ei.bstrDescription ? ei.bstrDescription : L"");
      SysFreeString(ei.bstrSource);
      SysFreeString(ei.bstrDescription);
      SysFreeString(ei.bstrHelpFile);
      rc = kLineFailed;
    } else if (FAILED(hr)) {
      rc = Fail(kOtherFailure, L"Pals failed", hr);
    } else {
      std::wprintf(L"kzpals: section [%ls] of %ls done (code %ld)\n", section.c_str(), full.c_str(), code);
    }
  }
  h->Release();
  return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = Run(argc, argv);
  CoUninitialize();
  return rc;
}
