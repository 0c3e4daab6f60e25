#include "com/siblings.h"

#include <map>
#include <mutex>

#include "com/latebound.h"
#include "base/error.h"
#include "base/text.h"

namespace kz {

const wchar_t kSiblingRuntime[] = L"KELZUD11.clsKelzud11RunTimeA";
const wchar_t kSiblingEnvRegistry[] = L"Kelzud11.clsKelzudENVRegistryA";
const wchar_t kSiblingStaticWindow[] = L"KELZUD16.clsKelzudWUIStatic";
const wchar_t kSiblingDebugger[] = L"RUVO10.clsRUVODebuggerA";

namespace {

struct Redirect {
  std::wstring progid;
  SiblingMaker make = nullptr;
};

// Keyed by the upper-case identifier, since identifiers are compared without regard to case.
// Only test programs ever fill it; it holds no COM objects, so its destruction is harmless.
std::mutex g_lock;
std::map<std::wstring, Redirect>& Redirects() {
  static std::map<std::wstring, Redirect> m;
  return m;
}
volatile LONG g_any = 0;  // spares the lock on the ordinary path

}  // namespace

void RedirectSibling(const std::wstring& progid, const std::wstring& replacement) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto& m = Redirects();
  if (replacement.empty()) m.erase(UpperCase(progid));
  else m[UpperCase(progid)] = Redirect{replacement, nullptr};
  InterlockedExchange(&g_any, m.empty() ? 0 : 1);
}

void SubstituteSibling(const std::wstring& progid, SiblingMaker make) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto& m = Redirects();
  if (!make) m.erase(UpperCase(progid));
  else m[UpperCase(progid)] = Redirect{std::wstring(), make};
  InterlockedExchange(&g_any, m.empty() ? 0 : 1);
}

void ClearSiblingRedirections() {
  std::lock_guard<std::mutex> guard(g_lock);
  Redirects().clear();
  InterlockedExchange(&g_any, 0);
}

IDispatch* CreateSibling(const wchar_t* progid) {
  std::wstring id = progid ? progid : L"";
  if (g_any) {
    Redirect r;
    {
      std::lock_guard<std::mutex> guard(g_lock);
      auto it = Redirects().find(UpperCase(id));
      if (it != Redirects().end()) r = it->second;
    }
    if (r.make) {
      IDispatch* d = r.make();
      if (!d) Raise(kErrCantCreate);
      return d;
    }
    if (!r.progid.empty()) id = r.progid;
  }
  // An empty identifier or one with a NUL in it names nothing that can be registered.
  if (id.empty() || id.find(L'\0') != std::wstring::npos) Raise(kErrCantCreate);
  return CreateByProgId(id);
}

}  // namespace kz
