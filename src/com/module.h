// The module's live-object and lock counts (DllCanUnloadNow).
#pragma once

namespace kz {
void ModuleAddRef();
void ModuleRelease();
long ModuleCount();
}  // namespace kz
