// The seam through which the library names and creates the components of its product family
// that are not part of it (runtime, environment registry, static message window, debugger).
#pragma once
#include <string>
#include "base/seam.h"
#include "base/win.h"

namespace kz {

// Programmatic identifiers of the sibling components.
extern const wchar_t kSiblingRuntime[];       // "KELZUD11.clsKelzud11RunTimeA"
extern const wchar_t kSiblingEnvRegistry[];   // "Kelzud11.clsKelzudENVRegistryA"
extern const wchar_t kSiblingStaticWindow[];  // "KELZUD16.clsKelzudWUIStatic"
extern const wchar_t kSiblingDebugger[];      // "RUVO10.clsRUVODebuggerA"

// The platform area behind sibling creation. The Windows implementation creates by programmatic
// identifier as a client would; tests put stand-ins in its place (below).
struct SiblingCreation {
  virtual ~SiblingCreation() = default;
  // A new reference, or kz::Error 429 when the component cannot be created.
  virtual IDispatch* Create(const std::wstring& progid) = 0;
};
template <>
SiblingCreation& SeamDefault<SiblingCreation>();

// Creates a component by programmatic identifier (looked up without regard to case) through
// the seam; raises kz::Error 429 when it cannot. The caller owns the reference.
IDispatch* CreateSibling(const wchar_t* progid);

// Test hooks, process-wide, served by a stand-in implementation of the seam that is in force
// while any redirection exists: requests for `progid` create `replacement` instead (an
// unregistered identifier makes the sibling absent without unregistering the shared server),
// or call `make` (a stand-in object written by the test). An empty replacement or a null
// `make` removes the redirection.
void RedirectSibling(const std::wstring& progid, const std::wstring& replacement);
using SiblingMaker = IDispatch* (*)();  // returns a new reference, or null for "cannot create"
void SubstituteSibling(const std::wstring& progid, SiblingMaker make);
void ClearSiblingRedirections();

// Scoped form of RedirectSibling for tests.
class SiblingRedirect {
 public:
  SiblingRedirect(const std::wstring& progid, const std::wstring& replacement) : progid_(progid) {
    RedirectSibling(progid, replacement);
  }
  ~SiblingRedirect() { RedirectSibling(progid_, L""); }
  SiblingRedirect(const SiblingRedirect&) = delete;
  SiblingRedirect& operator=(const SiblingRedirect&) = delete;

 private:
  std::wstring progid_;
};

}  // namespace kz
