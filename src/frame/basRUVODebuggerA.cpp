// basRUVODebuggerA: hands debug messages to the debugger component.
#include <new>

#include "frame/kz.h"
#include "com/latebound.h"
#include "frame/modules.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "com/siblings.h"
#include "platform/ui.h"

namespace kz {
namespace {

// A plain pointer holding one reference: an owner with a destructor would release it at
// thread exit, after COM may have unloaded the debugger's server.
thread_local IDispatch* t_debugger = nullptr;

// The callee may have changed a by-reference argument: the caller's variable takes the new
// value when it still fits the variable's type.
void TakeBack(const Var& v, std::wstring& target) {
  try { target = VarToStr(v.get()); } catch (const Error&) {}
}
void TakeBack(const Var& v, short& target) {
  try {
    long l = VarToLong(v.get());
    if (l >= -32768 && l <= 32767) target = static_cast<short>(l);
  } catch (const Error&) {}
}

}  // namespace

IDispatch* DebuggerConnection() { return t_debugger; }

void ReleaseDebuggerConnection() {
  IDispatch* d = t_debugger;
  t_debugger = nullptr;
  if (d) d->Release();
}

void AddDebugMessageA(std::wstring& tag, std::wstring& kind, std::wstring& object_name, short& level,
                      std::wstring& text) {
  try {
    IDispatch* fresh = CreateSibling(kSiblingDebugger);
    ReleaseDebuggerConnection();  // the previous instance goes when its successor arrives
    t_debugger = fresh;
    Ptr<IDispatch> app = Ptr<IDispatch>::Adopt(LibraryAppObject());
    PutRef(t_debugger, L"AppObj", app.get());
    Var a = Var::Str(tag), b = Var::Str(kind), c = Var::Str(object_name), d = Var::Short(level), e = Var::Str(text);
    auto take_back = [&] {
      TakeBack(a, tag);
      TakeBack(b, kind);
      TakeBack(c, object_name);
      TakeBack(d, level);
      TakeBack(e, text);
    };
    try {
      CallByName(t_debugger, L"AddDebugMessage", DISPATCH_METHOD,
                 std::vector<VARIANT*>{a.get(), b.get(), c.get(), d.get(), e.get()});
    } catch (...) {
      take_back();
      throw;
    }
    take_back();
  } catch (const Error& err) {
    ShowMessage(err.description(), MB_OK | MB_ICONHAND, std::to_wstring(err.number()) + L" - AddDebugMessageA");
  } catch (const std::bad_alloc&) {
    Error err(kErrOutOfMemory);
    ShowMessage(err.description(), MB_OK | MB_ICONHAND, std::to_wstring(err.number()) + L" - AddDebugMessageA");
  }
}

}  // namespace kz
