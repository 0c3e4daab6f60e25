#include "com/module.h"
#include <windows.h>

namespace kz {
namespace {
volatile LONG g_count = 0;
}
void ModuleAddRef() { InterlockedIncrement(&g_count); }
void ModuleRelease() { InterlockedDecrement(&g_count); }
long ModuleCount() { return g_count; }
}  // namespace kz
