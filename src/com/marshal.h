// The arguments of one call through the dispatcher: a caller's DISPPARAMS turned into the
// typed values a member's vtable slot takes, and back.
#pragma once
#include <vector>

#include "base/win.h"
#include "com/typelib.h"

namespace kz {

// The most parameters a member may have for the dispatcher to call it.
constexpr size_t kMaxParams = 32;

// Checks every argument a caller passed before anything reads it: a by-reference argument
// must point somewhere (E_POINTER, with *arg_err at it), and a chain of Variant variables
// that refer to each other must end (DISP_E_BADVARTYPE).
HRESULT CheckArguments(const DISPPARAMS& dp, UINT* arg_err);

// The value an argument holds, through the Variant variables it refers to (checked first).
const VARIANT* Inner(const VARIANT* v);

// Owns everything one call needs and releases it whatever the exit path.
class ArgumentFrame {
 public:
  ArgumentFrame(const FuncInfo& f, bool put);
  ~ArgumentFrame();
  ArgumentFrame(const ArgumentFrame&) = delete;
  ArgumentFrame& operator=(const ArgumentFrame&) = delete;

  // Coerces the caller's arguments (`positional` of them in order, then the value of a
  // property assignment) into the member's parameter types; defaults for those left out.
  // On failure *arg_err names the offending argument.
  HRESULT Build(const DISPPARAMS& dp, UINT positional, UINT* arg_err);

  UINT count() const { return static_cast<UINT>(types_.size()); }
  VARTYPE* types() { return types_.data(); }
  VARIANTARG** args() { return argp_.data(); }

  // After the call: takes back into the caller's variables the by-reference arguments the
  // member changed, and only those; an unchanged variable keeps its value and its type.
  // Outputs ([out] without [in]) are always taken back.
  void WriteBackChanged();
  // Hands the member's result to the caller (arrays as arrays of Variant).
  void TakeResult(VARIANT* result);

 private:
  const FuncInfo& f_;
  bool put_;
  std::vector<VARIANT> locals_;   // coerced values; owned
  std::vector<VARIANT> before_;   // copies of coerced by-reference values; owned
  std::vector<VARIANTARG> args_;  // what the slot receives (refers into locals_ or the caller)
  std::vector<VARIANTARG*> argp_;
  std::vector<VARTYPE> types_;
  std::vector<VARIANT*> caller_;  // the caller's argument a local goes back to
  void* record_ = nullptr;        // the result of a member that returns a record
  int retval_ = -1;
};

}  // namespace kz
