// Defaults as the type library states them, read the way an early-bound client reads them.
#include "testkit.h"

#include <map>
#include <string>

#include "com/typelib.h"

namespace {

struct Default {
  VARTYPE vt;
  long value;
};

// The defaults of one member's parameters, by parameter name.
std::map<std::wstring, Default> DefaultsOf(ITypeInfo* ti, const std::wstring& member) {
  std::map<std::wstring, Default> out;
  TYPEATTR* ta = nullptr;
  if (FAILED(ti->GetTypeAttr(&ta))) return out;
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
    BSTR names[40] = {};
    UINT got = 0;
    ti->GetNames(fd->memid, names, 40, &got);
    if (got && member == names[0]) {
      for (SHORT k = 0; k < fd->cParams && k + 1 < static_cast<SHORT>(got); ++k) {
        const PARAMDESC& pd = fd->lprgelemdescParam[k].paramdesc;
        if (!(pd.wParamFlags & PARAMFLAG_FHASDEFAULT) || !pd.pparamdescex) continue;
        const VARIANT& v = pd.pparamdescex->varDefaultValue;
        kzt::Var as_long;
        long value = SUCCEEDED(VariantChangeType(as_long.get(), const_cast<VARIANT*>(&v), 0, VT_I4))
                         ? as_long.get()->lVal : -12345;
        out[names[k + 1]] = Default{v.vt, value};
      }
    }
    for (UINT n = 0; n < got; ++n) SysFreeString(names[n]);
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(ta);
  return out;
}

}  // namespace

TEST(TypeLibrary, VariantParametersCarryTypedDefaults) {
  ITypeInfo* ti = kz::TypeInfoOf(IID__clsKelzudINIFileHandler1A);
  ASSERT_NE(ti, nullptr);
  struct Case {
    const wchar_t* member;
    const wchar_t* param;
    VARTYPE vt;
    long value;
  } cases[] = {
      {L"Pals", L"bProcessVar", VT_BOOL, -1},
      {L"PalsCENVVAR", L"bProcessVar", VT_BOOL, -1},
      {L"PalsEREGBAK", L"bProcessVar", VT_BOOL, -1},
      {L"PalsCDBTableFld", L"bProcessVar", VT_BOOL, -1},
      {L"LoadFormPosition", L"lMinWidth", VT_I4, 3000},
      {L"LoadFormPosition", L"lMinHeight", VT_I4, 3000},
      // Defaults of typed parameters stay as they were.
      {L"Pals", L"lParamC", VT_I4, 0},
      {L"CLngDefault", L"lDefault", VT_I4, 0},
  };
  for (const auto& c : cases) {
    auto defaults = DefaultsOf(ti, c.member);
    auto it = defaults.find(c.param);
    ASSERT_NE(it, defaults.end()) << kz::ToAnsi(c.member) << "." << kz::ToAnsi(c.param);
    EXPECT_EQ(it->second.vt, c.vt) << kz::ToAnsi(c.member) << "." << kz::ToAnsi(c.param);
    EXPECT_EQ(it->second.value, c.value) << kz::ToAnsi(c.member) << "." << kz::ToAnsi(c.param);
  }
}

// No parameter anywhere in the library has a default a client cannot use.
TEST(TypeLibrary, EveryDefaultHasAUsableType) {
  ITypeLib* lib = kz::LibraryTypeLib();
  ASSERT_NE(lib, nullptr);
  int seen = 0;
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ITypeInfo* ti = nullptr;
    ASSERT_EQ(lib->GetTypeInfo(i, &ti), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
    for (UINT f = 0; f < ta->cFuncs; ++f) {
      FUNCDESC* fd = nullptr;
      ASSERT_EQ(ti->GetFuncDesc(f, &fd), S_OK);
      for (SHORT k = 0; k < fd->cParams; ++k) {
        const PARAMDESC& pd = fd->lprgelemdescParam[k].paramdesc;
        if (!(pd.wParamFlags & PARAMFLAG_FHASDEFAULT)) continue;
        ASSERT_NE(pd.pparamdescex, nullptr);
        VARTYPE vt = pd.pparamdescex->varDefaultValue.vt;
        ++seen;
        // Objects default to Nothing.
        bool nothing = (vt == VT_DISPATCH || vt == VT_UNKNOWN) && !pd.pparamdescex->varDefaultValue.punkVal;
        EXPECT_TRUE(vt == VT_I2 || vt == VT_I4 || vt == VT_BOOL || vt == VT_BSTR || vt == VT_R8 || nothing)
            << "member " << fd->memid << " of type " << i << ", parameter " << k << ": default of type " << vt;
      }
      ti->ReleaseFuncDesc(fd);
    }
    ti->ReleaseTypeAttr(ta);
    ti->Release();
  }
  EXPECT_GT(seen, 40);
}
