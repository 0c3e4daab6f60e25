// basRUVODebuggerA: hands debug messages to the debugger component.
#include <new>

#include "base/perthread.h"
#include "frame/kz.h"
#include "com/latebound.h"
#include "frame/modules.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "com/siblings.h"
#include "platform/ui.h"

namespace kz {
namespace {

// The thread's connection: one reference, released explicitly (never at thread exit, when COM
// may have unloaded the debugger's server).
struct DebuggerSlot {
  IDispatch* debugger = nullptr;
  ~DebuggerSlot() {
    if (debugger) debugger->Release();
  }
};
using ThreadDebugger = PerThread<DebuggerSlot>;

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

IDispatch* DebuggerConnection() {
  const DebuggerSlot* slot = ThreadDebugger::Peek();
  return slot ? slot->debugger : nullptr;
}

void ReleaseDebuggerConnection() { ThreadDebugger::Release(); }

void AddDebugMessageA(std::wstring& tag, std::wstring& kind, std::wstring& object_name, short& level,
                      std::wstring& text) {
  try {
    IDispatch* fresh = CreateSibling(kSiblingDebugger);
    ReleaseDebuggerConnection();  // the previous instance goes when its successor arrives
    IDispatch* debugger = ThreadDebugger::Get().debugger = fresh;
    Ptr<IDispatch> app = Ptr<IDispatch>::Adopt(LibraryAppObject());
    PutRef(debugger, L"AppObj", app.get());
    Var a = Var::Str(tag), b = Var::Str(kind), c = Var::Str(object_name), d = Var::Short(level), e = Var::Str(text);
    auto take_back = [&] {
      TakeBack(a, tag);
      TakeBack(b, kind);
      TakeBack(c, object_name);
      TakeBack(d, level);
      TakeBack(e, text);
    };
    try {
      CallByName(debugger, L"AddDebugMessage", DISPATCH_METHOD,
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
