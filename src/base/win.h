// Windows and automation headers, without the product's generated interfaces: what the bottom
// layers (base, com, platform) build on.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <ocidl.h>
