// Common includes of the library's classes: Windows, automation, and the interfaces generated
// from the type library.
#pragma once
#include "base/win.h"
#include "kelzud10.h"
