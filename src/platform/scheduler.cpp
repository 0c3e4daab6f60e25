#include "platform/scheduler.h"

#include "base/owner.h"

namespace kz {
namespace {

// One guarded call per thread at a time; the vectored handler finds it through this slot.
struct RaisedStatusGuard {
  void* jump[5];  // __builtin_setjmp's buffer
  volatile unsigned long status;
  // The chain of frame-based handlers to put back: frames below the guard are abandoned.
  // (x86 keeps all its handlers there; Wine's x64 code keeps the frames of its own __TRY
  // blocks there too.)
  void* frame_chain;
};

// The thread's information block, which begins the TEB (read directly: the headers' inline
// reader trips the compiler's bounds checks).
NT_TIB* ThreadBlock() {
  NT_TIB* tib;
#if defined(__x86_64__)
  __asm__ volatile("movq %%gs:0x30, %0" : "=r"(tib));
#else
  __asm__ volatile("movl %%fs:0x18, %0" : "=r"(tib));
#endif
  return tib;
}

DWORD GuardSlot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

// Where a taken exception resumes: on the stack below the faulting frame, out of the
// exception dispatcher, then straight back into the guarded call's frame.
[[noreturn]] __attribute__((noinline)) void ResumeAtGuard() {
  auto* g = static_cast<RaisedStatusGuard*>(TlsGetValue(GuardSlot()));
  __builtin_longjmp(g->jump, 1);
}

LONG CALLBACK TakeRaisedStatus(EXCEPTION_POINTERS* ep) {
  auto* g = static_cast<RaisedStatusGuard*>(TlsGetValue(GuardSlot()));
  DWORD code = ep->ExceptionRecord->ExceptionCode;
  if (!g || code >= 0x10000 || code == 0) return EXCEPTION_CONTINUE_SEARCH;
  g->status = code;
  CONTEXT* c = ep->ContextRecord;
#if defined(__x86_64__)
  c->Rsp = ((c->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;  // as if just called
  c->Rip = reinterpret_cast<DWORD64>(&ResumeAtGuard);
#elif defined(__i386__)
  c->Esp = ((c->Esp - 512) & ~static_cast<DWORD>(15)) - 4;
  c->Eip = reinterpret_cast<DWORD>(&ResumeAtGuard);
#else
#error "an architecture this guard does not know"
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallHandlerOnce() {
  // Installed for the life of the process: a handler that is called and then removed would
  // leave the platform's bookkeeping of it behind.
  static const PVOID handler = AddVectoredExceptionHandler(1, TakeRaisedStatus);
  (void)handler;
}

using JobAddFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPBYTE, LPDWORD);

struct JobAddCall {
  JobAddFn fn;
  const wchar_t* server;
  AT_INFO* job;
  DWORD* id;
};

unsigned long CallJobAdd(void* p) {
  auto* c = static_cast<JobAddCall*>(p);
  return c->fn(c->server, reinterpret_cast<LPBYTE>(c->job), c->id);
}

class PlatformScheduler : public JobScheduler {
 public:
  unsigned long JobAdd(const std::wstring& server, const AT_INFO& job, unsigned long* job_id) override {
    Module netapi(LoadLibraryW(L"netapi32.dll"));
    if (!netapi) return GetLastError();
    auto fn = reinterpret_cast<JobAddFn>(reinterpret_cast<void*>(GetProcAddress(netapi.get(), "NetScheduleJobAdd")));
    if (!fn) return ERROR_PROC_NOT_FOUND;
    AT_INFO copy = job;
    DWORD id = *job_id;
    JobAddCall call{fn, server.empty() ? nullptr : server.c_str(), &copy, &id};
    bool raised = false;
    unsigned long status = CallTakingRaisedStatus(&CallJobAdd, &call, &raised);
    if (!raised) *job_id = id;
    return status;
  }
};

}  // namespace

__attribute__((noinline)) unsigned long CallTakingRaisedStatus(unsigned long (*fn)(void*), void* arg, bool* raised) {
  InstallHandlerOnce();
  RaisedStatusGuard g;
  g.status = 0;
  void* volatile previous = TlsGetValue(GuardSlot());
  g.frame_chain = ThreadBlock()->ExceptionList;
  if (__builtin_setjmp(g.jump)) {
    ThreadBlock()->ExceptionList = static_cast<EXCEPTION_REGISTRATION_RECORD*>(g.frame_chain);
    TlsSetValue(GuardSlot(), previous);
    *raised = true;
    return g.status;
  }
  TlsSetValue(GuardSlot(), &g);
  unsigned long result = fn(arg);
  TlsSetValue(GuardSlot(), previous);
  *raised = false;
  return result;
}

template <>
JobScheduler& SeamDefault<JobScheduler>() {
  static PlatformScheduler s;
  return s;
}

}  // namespace kz
