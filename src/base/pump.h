// Lets pending window messages run, as the library's long loops do between items so that a
// client's event handlers (and its cancel flags) get their turn.
#pragma once

namespace kz {

// Dispatches every message waiting for this thread; a WM_QUIT belongs to the client's own loop
// and is posted back for it.
void PumpMessages();

}  // namespace kz
