// Module state that exists once per client thread (the OS version cache, the debugger
// connection, the backup-log references, the chosen drive, the call stack).
//
// The state is made on first use on a thread and is never destroyed by the thread's exit: at
// that point COM may already be gone on the thread, and releasing an object there would call
// into a dead apartment. A client thread that ends releases it explicitly (Release), which
// runs T's destructor on the thread itself.
#pragma once

namespace kz {

template <class T>
class PerThread {
 public:
  // This thread's state, made on first use.
  static T& Get() {
    T*& p = Slot();
    if (!p) p = new T();
    return *p;
  }
  // This thread's state if it was made, else null.
  static T* Peek() { return Slot(); }
  // Ends this thread's state (a later Get makes it anew).
  static void Release() {
    T*& p = Slot();
    delete p;
    p = nullptr;
  }

 private:
  // A plain pointer per thread: nothing runs for it when the thread exits.
  static T*& Slot() {
    static thread_local T* p = nullptr;
    return p;
  }
};

}  // namespace kz
