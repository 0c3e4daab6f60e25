// kzpals: runs one section of an action file outside a setup program.
//
//   kzpals FILE SECTION CODE
//
// Creates the INI handler by its programmatic identifier, points it at FILE and SECTION, and
// calls Pals with CODE (a number, or a code name such as kelzudIFHPalsCREGK). Prints the error
// (number, source, description) and exits 1 when the action fails; 0 when it succeeds.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Code {
  const wchar_t* name;
  long value;
};
const Code kCodes[] = {
    {L"CENVVAR", 0},  {L"DENVVAR", 1},  {L"CWNDRV", 2},   {L"DWNDRV", 3},   {L"CREGK", 4},
    {L"DREGK", 5},    {L"MSFNF", 6},    {L"KSFNF", 7},    {L"CSFNF", 8},    {L"DSFNF", 9},
    {L"RSFAXC", 10},  {L"USFAXC", 11},  {L"ASFFONT", 12}, {L"RSFFONT", 13}, {L"CSFNFA", 14},
    {L"CSCMDA", 15},  {L"CSFLINK", 16}, {L"DSFLINK", 17}, {L"SWSTUP", 18},  {L"DWSTUP", 19},
    {L"APSUPUS", 20}, {L"RPSUPUS", 21}, {L"SSEXEAW", 31}, {L"FormMap1", 32}, {L"FormMap2", 33},
    {L"SINI", 34},    {L"CSFLINKEX", 41}, {L"DSFLINKEX", 42}, {L"EREGBAK", 43}, {L"IREGBAK", 44},
    {L"CSHORCUT", 45}, {L"DSHORCUT", 46}, {L"CSFILES", 47}, {L"DSFILES", 48},
    {L"CMODIFYREGENVPATH", 49}, {L"SSEXENOWAIT", 50}, {L"CDBTableFld", 51},
};

bool ParseCode(const wchar_t* text, long* code) {
  wchar_t* end = nullptr;
  long n = std::wcstol(text, &end, 10);
  if (end != text && *end == L'\0') { *code = n; return true; }
  std::wstring t = text;
  const std::wstring prefix = L"kelzudIFHPals";
  if (t.size() > prefix.size() && _wcsnicmp(t.c_str(), prefix.c_str(), prefix.size()) == 0) t = t.substr(prefix.size());
  for (const Code& c : kCodes)
    if (_wcsicmp(c.name, t.c_str()) == 0) { *code = c.value; return true; }
  return false;
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

int Fail(const wchar_t* what, HRESULT hr) {
  std::fwprintf(stderr, L"kzpals: %ls (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  return 1;
}

int Run(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fwprintf(stderr, L"usage: kzpals FILE SECTION CODE\n");
    return 2;
  }
  long code = 0;
  if (!ParseCode(argv[3], &code)) {
    std::fwprintf(stderr, L"kzpals: unknown action code '%ls'\n", argv[3]);
    return 2;
  }
  // A file name without a folder would be looked up in the Windows folder: make it full.
  wchar_t full[MAX_PATH];
  if (!GetFullPathNameW(argv[1], MAX_PATH, full, nullptr)) return Fail(L"bad file name", HRESULT_FROM_WIN32(GetLastError()));

  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(L"Kelzud10.clsKelzudINIFileHandler1A", &clsid);
  if (FAILED(hr)) return Fail(L"Kelzud10.clsKelzudINIFileHandler1A is not registered", hr);
  IDispatch* h = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&h));
  if (FAILED(hr)) return Fail(L"cannot create Kelzud10.clsKelzudINIFileHandler1A", hr);
  int rc = 0;
  if (FAILED(hr = Put(h, L"Path", full)) || FAILED(hr = Put(h, L"Section", argv[2]))) {
    rc = Fail(L"cannot set Path and Section", hr);
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
      std::fwprintf(stderr, L"kzpals: error %ld in %ls: %ls\n", number, ei.bstrSource ? ei.bstrSource : L"",
                    ei.bstrDescription ? ei.bstrDescription : L"");
      SysFreeString(ei.bstrSource);
      SysFreeString(ei.bstrDescription);
      SysFreeString(ei.bstrHelpFile);
      rc = 1;
    } else if (FAILED(hr)) {
      rc = Fail(L"Pals failed", hr);
    } else {
      std::wprintf(L"kzpals: section [%ls] of %ls done (code %ld)\n", argv[2], full, code);
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
