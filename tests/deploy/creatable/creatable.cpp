// Creates every class a client may create, the way a client does (through COM, not by linking),
// and calls one harmless member of each: the library's published classes from its catalogue,
// and every class of each sibling server named on the command line, from that server's type
// library. Where the classes come from (the registry, or an application manifest next to this
// program) is up to the caller: the program checks only that a client gets them.
//
//   kzt_creatable.exe [SIBLING.dll ...]
//
// Prints one line per failure and a closing "creatable: N classes, M failures" line; exits 1 on
// any failure. KZ_NO_PROGID=1 leaves out the programmatic identifier checks.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "base/text.h"
#include "com/inproc.h"
#include "frame/catalogue.h"
#include "frame/kz.h"

namespace {

int g_failures = 0;
int g_classes = 0;

void Fail(const std::wstring& what, HRESULT hr) {
  ++g_failures;
  printf("FAIL: %s (0x%08lX)\n", kz::ToAnsi(what).c_str(), static_cast<unsigned long>(hr));
}

// Classes whose members act on the machine beyond a test's prefix (as the member sweep denies
// them): their members are looked up by name but never invoked.
const std::set<std::wstring> kNotInvoked = {L"clsKelzudKeyboardA", L"clsKelzudWinOnTopA", L"clsKELZUDTasksA",
                                            L"clsKelzudSystemRestoreA", L"clsKelzudWNetwA", L"clsKelzudFontsA"};

// Type information, a member's name to its dispatch identifier, and, where the class has a
// property read without arguments, that property read through Invoke.
void CallOneMember(const std::wstring& cls, IDispatch* d) {
  ITypeInfo* ti = nullptr;
  HRESULT hr = d->GetTypeInfo(0, LOCALE_USER_DEFAULT, &ti);
  if (FAILED(hr) || !ti) return Fail(cls + L": GetTypeInfo", hr);
  TYPEATTR* ta = nullptr;
  if (FAILED(hr = ti->GetTypeAttr(&ta))) {
    ti->Release();
    return Fail(cls + L": GetTypeAttr", hr);
  }
  for (WORD i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
    const MEMBERID id = fd->memid;
    const bool plain_get = fd->invkind == INVOKE_PROPERTYGET && fd->cParams == 0 && !(fd->wFuncFlags & FUNCFLAG_FRESTRICTED);
    ti->ReleaseFuncDesc(fd);
    if (!plain_get) continue;
    BSTR name = nullptr;
    UINT n = 0;
    if (FAILED(ti->GetNames(id, &name, 1, &n)) || n != 1) continue;
    DISPID found = DISPID_UNKNOWN;
    LPOLESTR names[] = {name};
    hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &found);
    const std::wstring member = cls + L"." + name;
    SysFreeString(name);
    if (FAILED(hr) || found != id) {
      Fail(member + L": GetIDsOfNames", hr);
      break;
    }
    if (kNotInvoked.count(cls)) break;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO ei = {};
    hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, &ei, nullptr);
    // A raised automation error still shows that the call reached the member.
    if (hr == DISP_E_EXCEPTION) {
      SysFreeString(ei.bstrSource);
      SysFreeString(ei.bstrDescription);
      SysFreeString(ei.bstrHelpFile);
    } else if (FAILED(hr)) {
      Fail(member + L": Invoke", hr);
    }
    VariantClear(&result);
    break;
  }
  ti->ReleaseTypeAttr(ta);
  ti->Release();
}

// The identifier of the interface an object describes itself with (its default one).
GUID DefaultInterface(IDispatch* d) {
  GUID g = GUID_NULL;
  ITypeInfo* ti = nullptr;
  TYPEATTR* ta = nullptr;
  if (SUCCEEDED(d->GetTypeInfo(0, LOCALE_USER_DEFAULT, &ti)) && ti && SUCCEEDED(ti->GetTypeAttr(&ta))) {
    g = ta->guid;
    ti->ReleaseTypeAttr(ta);
  }
  if (ti) ti->Release();
  return g;
}

void CheckClass(const std::wstring& cls, const std::wstring& progid, REFCLSID clsid) {
  ++g_classes;
  IDispatch* d = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
  if (FAILED(hr) || !d) return Fail(cls + L": created by class identifier", hr);
  CallOneMember(cls, d);
  const GUID itf = DefaultInterface(d);
  d->Release();
  const char* no_progid = getenv("KZ_NO_PROGID");
  if (no_progid && *no_progid == '1') return;
  // As a script's CreateObject does it. The identifier the name gives need not be the class
  // identifier itself (an activation context may hand out an alias of its own), so the object
  // made from it is compared by the interface it describes.
  CLSID by_name = GUID_NULL;
  hr = CLSIDFromProgID(progid.c_str(), &by_name);
  if (FAILED(hr)) return Fail(progid + L": programmatic identifier", hr);
  hr = CoCreateInstance(by_name, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
  if (FAILED(hr) || !d) return Fail(progid + L": created by programmatic identifier", hr);
  if (!IsEqualGUID(DefaultInterface(d), itf) || IsEqualGUID(itf, GUID_NULL))
    Fail(progid + L": programmatic identifier makes another class", E_FAIL);
  d->Release();
}

void CheckSibling(const wchar_t* dll) {
  ITypeLib* tl = nullptr;
  HRESULT hr = LoadTypeLibEx(dll, REGKIND_NONE, &tl);
  if (FAILED(hr)) return Fail(std::wstring(dll) + L": type library", hr);
  BSTR lib = nullptr;
  tl->GetDocumentation(-1, &lib, nullptr, nullptr, nullptr);
  for (UINT i = 0; i < tl->GetTypeInfoCount(); ++i) {
    TYPEKIND kind;
    if (FAILED(tl->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
    ITypeInfo* ti = nullptr;
    if (FAILED(tl->GetTypeInfo(i, &ti))) continue;
    TYPEATTR* ta = nullptr;
    BSTR name = nullptr;
    if (SUCCEEDED(ti->GetTypeAttr(&ta)) && SUCCEEDED(tl->GetDocumentation(i, &name, nullptr, nullptr, nullptr))) {
      CheckClass(name, std::wstring(lib) + L"." + name, ta->guid);
    }
    SysFreeString(name);
    if (ta) ti->ReleaseTypeAttr(ta);
    ti->Release();
  }
  SysFreeString(lib);
  tl->Release();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (FAILED(CoInitialize(nullptr))) return 2;
  for (const auto& e : kz::Catalogue()) {
    if (kz::IsPublished(e)) {
      CheckClass(e.name, std::wstring(L"Kelzud10.") + e.name, *e.clsid);
      continue;
    }
    // A class that is not published must not be offered either.
    IUnknown* u = nullptr;
    HRESULT hr = CoCreateInstance(*e.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&u));
    if (u) u->Release();
    if (hr != REGDB_E_CLASSNOTREG) Fail(std::wstring(e.name) + L": not published, yet offered", hr);
  }
  for (int i = 1; i < argc; ++i) CheckSibling(argv[i]);
  printf("creatable: %d classes, %d failures\n", g_classes, g_failures);
  CoUninitialize();
  return g_failures == 0 && g_classes > 0 ? 0 : 1;
}
