// RAII owners and small helpers for automation values.
#pragma once
#include <string>
#include <vector>
#include "base/win.h"
#include "base/text.h"

namespace kz {

// Owns one VARIANT.
class Var {
 public:
  Var() { VariantInit(&v_); }
  Var(const Var& o) { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
  Var(Var&& o) noexcept { v_ = o.v_; o.v_.vt = VT_EMPTY; }
  explicit Var(const VARIANT& src) { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&src)); }
  Var& operator=(Var o) { std::swap(v_, o.v_); return *this; }
  ~Var() { VariantClear(&v_); }

  static Var Str(const std::wstring& s) { Var r; r.v_.vt = VT_BSTR; r.v_.bstrVal = ToBstr(s); return r; }
  static Var Long(long l) { Var r; r.v_.vt = VT_I4; r.v_.lVal = l; return r; }
  static Var Short(short i) { Var r; r.v_.vt = VT_I2; r.v_.iVal = i; return r; }
  static Var Double(double d) { Var r; r.v_.vt = VT_R8; r.v_.dblVal = d; return r; }
  static Var Bool(bool b) { Var r; r.v_.vt = VT_BOOL; r.v_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; return r; }
  static Var Missing() { Var r; r.v_.vt = VT_ERROR; r.v_.scode = DISP_E_PARAMNOTFOUND; return r; }
  static Var Object(IDispatch* d) { Var r; r.v_.vt = VT_DISPATCH; r.v_.pdispVal = d; if (d) d->AddRef(); return r; }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* operator&() { return &v_; }
  VARTYPE vt() const { return v_.vt; }
  void Clear() { VariantClear(&v_); }
  // Hands the value over to a caller's out-parameter.
  void Detach(VARIANT* out) { *out = v_; v_.vt = VT_EMPTY; }

 private:
  VARIANT v_;
};

// Dereferences a by-reference variant (VT_BYREF|...) to the value it points at, as a copy.
Var Deref(const VARIANT* v);
// True for an omitted optional argument (the missing-argument error value).
bool IsMissing(const VARIANT* v);
// Converts to text / Long / Boolean by the automation rules; raises 13 (or 6) on failure.
std::wstring VarToStr(const VARIANT* v);
long VarToLong(const VARIANT* v);
bool VarToBool(const VARIANT* v);

// A 1-based (or any lower bound) array of BSTR from a list of strings.
SAFEARRAY* MakeBstrArray(const std::vector<std::wstring>& items, LONG lbound);

}  // namespace kz
