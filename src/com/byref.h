// Taking a value back into a caller's by-reference argument, as a member that changes the
// caller's variable does.
#pragma once
#include "base/win.h"

namespace kz {

// Moves `value` into the variable `arg` refers to and leaves `value` empty. For a Variant
// variable (VT_BYREF|VT_VARIANT, followed through variables that refer further) the variable
// takes the value as it is, a typed array becoming an array of Variant that scripts can
// index; for a typed variable (VT_BYREF|type) the value is converted to that type. A value
// that cannot be converted leaves the variable as it was and gives the conversion's error.
// `arg` not by reference: nothing is stored (S_FALSE).
HRESULT StoreByRef(VARIANT* arg, VARIANT* value);

// Converts an array to another element type, element by element, keeping its bounds.
HRESULT ConvertArray(SAFEARRAY* src, VARTYPE to, SAFEARRAY** out);
// Arrays handed back to script variables become arrays of Variant, which scripts can index.
SAFEARRAY* ToVariantArray(SAFEARRAY* typed);

}  // namespace kz
