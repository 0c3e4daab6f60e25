#include "com/siblings.h"

#include <map>
#include <memory>
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

class PlatformSiblings : public SiblingCreation {
 public:
  IDispatch* Create(const std::wstring& progid) override { return CreateByProgId(progid); }
};

struct Redirect {
  std::wstring progid;
  SiblingMaker make = nullptr;
};

// The tests' stand-in: redirections by upper-case identifier (identifiers are compared without
// regard to case), anything else passed to the implementation it replaced. It holds no COM
// objects, so its destruction at process end is harmless.
class StandInSiblings : public SiblingCreation {
 public:
  IDispatch* Create(const std::wstring& progid) override {
    Redirect r;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = redirects_.find(UpperCase(progid));
      if (it != redirects_.end()) r = it->second;
    }
    if (r.make) {
      IDispatch* d = r.make();
      if (!d) Raise(kErrCantCreate);
      return d;
    }
    const std::wstring& id = r.progid.empty() ? progid : r.progid;
    return SeamDefault<SiblingCreation>().Create(id);
  }
  // Adds (or with an empty Redirect removes) one redirection, and puts the stand-in in force
  // exactly while there is any.
  void Set(const std::wstring& progid, const Redirect* r) {
    std::lock_guard<std::mutex> guard(lock_);
    if (r) redirects_[UpperCase(progid)] = *r;
    else redirects_.erase(UpperCase(progid));
    Engage(!redirects_.empty());
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    redirects_.clear();
    Engage(false);
  }

 private:
  void Engage(bool on) {
    if (on && !scope_) scope_.reset(new ScopedSeam<SiblingCreation>(*this));
    if (!on) scope_.reset();
  }
  std::mutex lock_;
  std::map<std::wstring, Redirect> redirects_;
  std::unique_ptr<ScopedSeam<SiblingCreation>> scope_;
};

StandInSiblings& StandIns() {
  static StandInSiblings s;
  return s;
}

}  // namespace

template <>
SiblingCreation& SeamDefault<SiblingCreation>() {
  static PlatformSiblings p;
  return p;
}

void RedirectSibling(const std::wstring& progid, const std::wstring& replacement) {
  Redirect r{replacement, nullptr};
  StandIns().Set(progid, replacement.empty() ? nullptr : &r);
}

void SubstituteSibling(const std::wstring& progid, SiblingMaker make) {
  Redirect r{std::wstring(), make};
  StandIns().Set(progid, make ? &r : nullptr);
}

void ClearSiblingRedirections() { StandIns().Clear(); }

IDispatch* CreateSibling(const wchar_t* progid) {
  std::wstring id = progid ? progid : L"";
  // An empty identifier or one with a NUL in it names nothing that can be registered.
  if (id.empty() || id.find(L'\0') != std::wstring::npos) Raise(kErrCantCreate);
  return Seam<SiblingCreation>().Create(id);
}

}  // namespace kz
