// The dispatcher from a C++ caller: arguments it must refuse before reading them, what it
// takes back into by-reference arguments, and the type-library cache.
#include "testkit.h"

#include "com/dispatch.h"
#include "com/marshal.h"
#include "com/typelib.h"
#include "frame/catalogue.h"

using namespace kzt;

namespace {

Ptr<IDispatch> IniHandler() {
  Ptr<IDispatch> d;
  EXPECT_EQ(kz::CreateInstance(L"clsKelzudINIFileHandler1A", IID_IDispatch, reinterpret_cast<void**>(d.out())), S_OK);
  return d;
}

DISPID IdOf(IDispatch* d, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  return id;
}

VARIANT ByRef(VARTYPE vt, void* p) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | vt;
  v.byref = p;
  return v;
}

}  // namespace

// Null pointers in by-reference arguments are refused before the dispatcher reads them.
TEST(Dispatch, NullByReferenceArgumentsAreRefused) {
  Ptr<IDispatch> h = IniHandler();
  DISPID pals = IdOf(h.get(), L"Pals");
  VARIANT self_ref = ByRef(VT_VARIANT, nullptr);
  self_ref.pvarVal = &self_ref;  // a variable that refers to itself
  VARIANT to_null = ByRef(VT_VARIANT, nullptr);
  VARIANT chain = ByRef(VT_VARIANT, &to_null);
  struct Case {
    const char* what;
    UINT position;  // 0: enumParamA .. 4: bProcessVar
    VARIANT arg;
    bool cycle;
  } cases[] = {
      {"null Variant for vParamD", 3, ByRef(VT_VARIANT, nullptr), false},
      {"null Variant for bProcessVar", 4, ByRef(VT_VARIANT, nullptr), false},
      {"null Variant for a String parameter", 1, ByRef(VT_VARIANT, nullptr), false},
      {"null String pointer", 1, ByRef(VT_BSTR, nullptr), false},
      {"null Long pointer", 2, ByRef(VT_I4, nullptr), false},
      {"Variant referring to a null Variant", 3, chain, false},
      {"Variant referring to itself", 3, self_ref, true},
  };
  for (auto& c : cases) {
    VARIANT args[5];
    for (auto& a : args) { VariantInit(&a); a.vt = VT_ERROR; a.scode = DISP_E_PARAMNOTFOUND; }
    args[4 - c.position] = c.arg;  // arguments go in reverse order
    DISPPARAMS dp{args, nullptr, 5, 0};
    Var result;
    EXCEPINFO ei{};
    UINT arg_err = 99;
    HRESULT hr = h->Invoke(pals, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, result.get(), &ei, &arg_err);
    if (c.cycle) EXPECT_EQ(hr, DISP_E_BADVARTYPE) << c.what;
    else EXPECT_EQ(hr, E_POINTER) << c.what;
    EXPECT_EQ(arg_err, 4 - c.position) << c.what;
  }
  // The value of a property assignment too.
  DISPID value = IdOf(h.get(), L"Value");
  VARIANT null_value = ByRef(VT_VARIANT, nullptr);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS dp{&null_value, &put, 1, 1};
  EXPECT_EQ(h->Invoke(value, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, nullptr),
            E_POINTER);
  // Arguments announced without their array.
  DISPPARAMS no_array{nullptr, nullptr, 2, 0};
  Var result;
  EXPECT_EQ(h->Invoke(pals, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &no_array, result.get(), nullptr, nullptr),
            E_INVALIDARG);
}

// The frame takes back what the member changed and nothing else; values keep their type.
TEST(Dispatch, FrameWritesBackOnlyChangedArguments) {
  kz::FuncInfo f;
  f.name = L"Member";
  kz::ParamInfo text, number, any;
  text.vt = VT_BSTR;
  number.vt = VT_I4;
  any.vt = VT_VARIANT;
  text.byref = number.byref = any.byref = true;
  f.params = {text, number, any, text};
  f.n_in = 4;

  // A script's variables: Integer 5, String "7", Integer 1, Double 2.5.
  Var a = Var::Short(5), b = Var::Str(L"7"), c = Var::Short(1), d;
  d.get()->vt = VT_R8;
  d.get()->dblVal = 2.5;
  VARIANT args[4] = {ByRef(VT_VARIANT, d.get()), ByRef(VT_VARIANT, c.get()), ByRef(VT_VARIANT, b.get()),
                     ByRef(VT_VARIANT, a.get())};
  DISPPARAMS dp{args, nullptr, 4, 0};
  {
    kz::ArgumentFrame frame(f, false);
    ASSERT_EQ(frame.Build(dp, 4, nullptr), S_OK);
    ASSERT_EQ(frame.count(), 4u);
    // The member changes the number and the Variant, and rewrites the last text unchanged.
    VARIANTARG** in = frame.args();
    EXPECT_EQ(*in[1]->plVal, 7);
    *in[1]->plVal = 9;
    VariantClear(in[2]->pvarVal);
    in[2]->pvarVal->vt = VT_BSTR;
    in[2]->pvarVal->bstrVal = SysAllocString(L"x");
    SysFreeString(*in[3]->pbstrVal);
    *in[3]->pbstrVal = SysAllocString(L"2.5");
    frame.WriteBackChanged();
  }
  EXPECT_EQ(a.vt(), VT_I2);
  EXPECT_EQ(a.get()->iVal, 5);
  EXPECT_EQ(b.vt(), VT_I4);
  EXPECT_EQ(b.get()->lVal, 9);
  EXPECT_EQ(c.vt(), VT_BSTR);
  EXPECT_STREQ(c.get()->bstrVal, L"x");
  EXPECT_EQ(d.vt(), VT_R8);
  EXPECT_EQ(d.get()->dblVal, 2.5);
}

// A typed variable of a C++ caller receives a change in its own type.
TEST(Dispatch, TypedByReferenceArgumentTakesChangeInItsType) {
  kz::FuncInfo f;
  kz::ParamInfo number;
  number.vt = VT_I4;
  number.byref = true;
  f.params = {number};
  f.n_in = 1;
  BSTR text = SysAllocString(L"3");
  VARIANT arg = ByRef(VT_BSTR, &text);
  DISPPARAMS dp{&arg, nullptr, 1, 0};
  {
    kz::ArgumentFrame frame(f, false);
    ASSERT_EQ(frame.Build(dp, 1, nullptr), S_OK);
    *frame.args()[0]->plVal = 12;
    frame.WriteBackChanged();
  }
  EXPECT_STREQ(text, L"12");
  SysFreeString(text);
}

// Every member of the library can be called by the dispatcher: its description is complete
// and its parameters fit.
TEST(Dispatch, EveryMemberOfTheLibraryIsCallable) {
  ITypeLib* lib = kz::LibraryTypeLib();
  ASSERT_NE(lib, nullptr);
  int interfaces = 0;
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ITypeInfo* ti = nullptr;
    ASSERT_EQ(lib->GetTypeInfo(i, &ti), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
    GUID g = ta->guid;
    bool dual = ta->typekind == TKIND_DISPATCH && (ta->wTypeFlags & TYPEFLAG_FDUAL);
    ti->ReleaseTypeAttr(ta);
    ti->Release();
    if (!dual) continue;
    const kz::IfaceInfo* info = kz::InterfaceOf(g);
    ASSERT_NE(info, nullptr);
    ++interfaces;
    for (const auto& f : info->funcs) {
      EXPECT_TRUE(f.usable) << kz::ToAnsi(f.name);
      EXPECT_LE(f.params.size(), kz::kMaxParams) << kz::ToAnsi(f.name);
    }
  }
  EXPECT_GT(interfaces, 10);
}

// The cache lets go of the type library and loads it again on the next use.
TEST(Dispatch, TypeLibraryCacheIsReleasedAndReloaded) {
  Ptr<IDispatch> h = IniHandler();
  ASSERT_NE(kz::LibraryTypeLib(), nullptr);
  kz::ReleaseTypeLibrary();
  DISPID key = IdOf(h.get(), L"Key");
  EXPECT_NE(key, DISPID_UNKNOWN);
  EXPECT_NE(kz::LibraryTypeLib(), nullptr);
}
