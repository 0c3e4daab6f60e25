// Common includes of the library: Windows, automation, and the interfaces generated from the
// type library.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <ocidl.h>
#include "kelzud10.h"
