// basKelzudCommonA: environment variables through the runtime component, the module error
// box, size texts, and the library's application object.
#include <cmath>
#include <new>

#include "frame/kz.h"
#include "com/dispatch.h"
#include "com/latebound.h"
#include "com/inproc.h"
#include "com/refcounted.h"
#include "frame/modules.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "com/siblings.h"
#include "base/text.h"
#include "platform/ui.h"

namespace kz {
namespace {

constexpr wchar_t kTitle[] = L"Kelzud10";
constexpr long kErrInvalidUseOfNull = 94;

// The application object the module services hand to sibling components. It has no type
// information of its own: three read-only properties reached by name.
class AppObject : public RefCounted<IDispatch> {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ti) override {
    if (ti) *ti = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    if (!names || !ids || n == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < n; ++i) ids[i] = DISPID_UNKNOWN;
    ids[0] = IdOf(names[0] ? names[0] : L"");
    if (ids[0] == DISPID_UNKNOWN || n > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id < kTitleId || id > kPathId) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    if (dp && dp->cArgs) return DISP_E_BADPARAMCOUNT;
    if (!result) return S_OK;
    std::wstring text = id == kTitleId ? kTitle : id == kExeNameId ? L"kelzud10" : ModuleFolder();
    VariantClear(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return result->bstrVal ? S_OK : E_OUTOFMEMORY;
  }

 private:
  enum : DISPID { kTitleId = 1, kExeNameId = 2, kPathId = 3 };

  static DISPID IdOf(const std::wstring& name) {
    if (EqualNoCase(name, L"Title")) return kTitleId;
    if (EqualNoCase(name, L"EXEName")) return kExeNameId;
    if (EqualNoCase(name, L"Path")) return kPathId;
    return DISPID_UNKNOWN;
  }

  // The folder of the library's file, without a trailing backslash unless it is a root.
  static std::wstring ModuleFolder() {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    path.resize(slash);
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    return path;
  }
};

// Runs one step of an environment call: a failure is reported and the next step runs.
// Returns whether the step succeeded.
template <class F>
bool Step(const std::wstring& title, F&& step) {
  try {
    step();
    return true;
  } catch (const Error& e) {
    ShowModuleError(e, title);
  } catch (const std::bad_alloc&) {
    ShowModuleError(Error(kErrOutOfMemory), title);
  }
  return false;
}

// The callee may have changed a by-reference argument: the caller's variable takes the new
// value when it still fits the variable's type, as a typed variable would.
void TakeBack(const Var& v, long& target) {
  try { target = VarToLong(v.get()); } catch (const Error&) {}
}
void TakeBack(const Var& v, std::wstring& target) {
  try { target = VarToStr(v.get()); } catch (const Error&) {}
}

std::wstring ResultText(const Var& r) {
  if (r.vt() == VT_NULL) throw Error(kErrInvalidUseOfNull, L"", L"Invalid use of Null");
  return VarToStr(r.get());
}

// The three steps of KelEnvironGet and KelEnvironSet: create the runtime, call `member` with
// scope, name and the third argument by reference, release the runtime. A runtime the caller
// holds (`held`) is created only when it is empty and is left to the caller.
std::wstring CallRuntime(const wchar_t* member, const std::wstring& title, long& scope, std::wstring& name,
                         VARIANT* third, std::wstring* third_text, Ptr<IDispatch>* held = nullptr,
                         bool* answered = nullptr) {
  std::wstring result;
  Ptr<IDispatch> own;
  Ptr<IDispatch>& runtime = held ? *held : own;
  bool ok = true;
  if (!runtime) ok = Step(title, [&] { runtime = Ptr<IDispatch>::Adopt(CreateSibling(kSiblingRuntime)); });
  ok &= Step(title, [&] {
    Var s = Var::Long(scope), n = Var::Str(name);
    Var t;
    if (third_text) t = Var::Str(*third_text);
    Var r;
    try {
      r = CallByName(runtime.get(), member, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                     std::vector<VARIANT*>{s.get(), n.get(), third_text ? t.get() : third});
    } catch (...) {
      TakeBack(s, scope);
      TakeBack(n, name);
      if (third_text) TakeBack(t, *third_text);
      throw;
    }
    TakeBack(s, scope);
    TakeBack(n, name);
    if (third_text) TakeBack(t, *third_text);
    result = ResultText(r);
  });
  if (!held) ok &= Step(title, [&] { runtime.reset(); });
  if (answered) *answered = ok;
  return result;
}

std::wstring SizeText(double bytes, double unit) {
  double v = bytes / unit;
  if (!std::isfinite(v)) Raise(kErrOverflow);
  if (v == 0) v = 0;  // no "-0"
  BSTR b = nullptr;
  ThrowIfFailed(VarBstrFromR8(v, LOCALE_USER_DEFAULT, 0, &b));
  std::wstring text = FromBstr(b);
  SysFreeString(b);
  return text;
}

}  // namespace

IDispatch* LibraryAppObject() { return new AppObject(); }

std::wstring LibraryTitle() { return kTitle; }

void ShowModuleError(const Error& err, const std::wstring& source) {
  std::wstring text = std::to_wstring(err.number()) + L"\r\n" + err.description() + L"\r\n" + LibraryTitle() + L"\r\n";
  ShowMessage(text, MB_OK | MB_ICONEXCLAMATION, source);
}

std::wstring KelEnvironGet(long& scope, std::wstring& name, VARIANT& flag) {
  return CallRuntime(L"EnvironGet", L"basKelzudCommonA.KelEnvironGet", scope, name, &flag, nullptr);
}

std::wstring KelEnvironGet(Ptr<IDispatch>& runtime, long& scope, std::wstring& name, VARIANT& flag,
                           bool* answered) {
  return CallRuntime(L"EnvironGet", L"basKelzudCommonA.KelEnvironGet", scope, name, &flag, nullptr, &runtime,
                     answered);
}

std::wstring KelEnvironSet(long& scope, std::wstring& name, std::wstring& value) {
  return CallRuntime(L"EnvironSet", L"basKelzudCommonA.KelEnvironSet", scope, name, nullptr, &value);
}

std::wstring SizeInGBText(double& bytes) { return SizeText(bytes, 1073741824.0); }
std::wstring SizeInMBText(double& bytes) { return SizeText(bytes, 1048576.0); }
std::wstring SizeInKBText(double& bytes) { return SizeText(bytes, 1024.0); }

}  // namespace kz
