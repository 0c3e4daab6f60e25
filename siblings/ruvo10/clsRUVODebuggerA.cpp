// The debugger: records debug messages of the product family.
//
// Every message is passed to the platform's debugger output (OutputDebugString) and, when the
// environment variable RUVO10_DEBUGLOG names a file, appended to it as one UTF-8 line:
//   local time TAB process id TAB thread id TAB level TAB tag TAB kind TAB object name TAB
//   application title TAB text
// with backslash, tab, CR, LF and NUL escaped. The application title is the `Title` of the
// object last set in AppObj ("" when there is none or it has no title).
#include <cstdio>
#include <string>

#include "common/sibling.h"
#include "platform/textlog.h"
#include "com/latebound.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "base/text.h"
#include "ruvo10.h"

namespace kzs {
namespace {

std::wstring LocalTime() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t buf[32];
  swprintf(buf, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond, t.wMilliseconds);
  return buf;
}

}  // namespace

class Debugger : public SiblingObject<Debugger, _clsRUVODebuggerA> {
  KZ_CLASS(clsRUVODebuggerA)
 public:
  static const wchar_t* ProgId() { return L"RUVO10.clsRUVODebuggerA"; }

  STDMETHODIMP get_AppObj(IDispatch** ret) override {
    if (!ret) return E_POINTER;
    *ret = app_.get();
    if (*ret) (*ret)->AddRef();
    return S_OK;
  }
  STDMETHODIMP putref_AppObj(IDispatch* rhs) override {
    app_ = kz::Ptr<IDispatch>::Share(rhs);
    return S_OK;
  }

  STDMETHODIMP AddDebugMessage(BSTR* sTag, BSTR* sKind, BSTR* sObjectName, short* iLevel, BSTR* sText) override {
    if (!sTag || !sKind || !sObjectName || !iLevel || !sText) return E_POINTER;
    return Run([&] {
      std::wstring line = LocalTime() + L"\t" + std::to_wstring(GetCurrentProcessId()) + L"\t" +
                          std::to_wstring(GetCurrentThreadId()) + L"\t" + std::to_wstring(*iLevel) + L"\t" +
                          kz::EscapeField(kz::FromBstr(*sTag)) + L"\t" + kz::EscapeField(kz::FromBstr(*sKind)) + L"\t" +
                          kz::EscapeField(kz::FromBstr(*sObjectName)) + L"\t" + kz::EscapeField(AppTitle()) + L"\t" +
                          kz::EscapeField(kz::FromBstr(*sText));
      OutputDebugStringW((line + L"\n").c_str());
      kz::AppendLine(kz::ProcessVariable(L"RUVO10_DEBUGLOG"), line);
    });
  }

 private:
  // The application's title, read by name; an application object without one gives "".
  std::wstring AppTitle() const {
    if (!app_) return std::wstring();
    try {
      kz::Var t = kz::GetProp(app_.get(), L"Title");
      return t.vt() == VT_BSTR ? kz::FromBstr(t.get()->bstrVal) : kz::VarToStr(t.get());
    } catch (const kz::Error&) {
      return std::wstring();
    }
  }

  kz::Ptr<IDispatch> app_;
};

KZS_REGISTER_CLASS(Debugger);

}  // namespace kzs
