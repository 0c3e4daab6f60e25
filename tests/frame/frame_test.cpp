// The frame: catalogue and creation, root object, error translation, the Collection, the
// dispatch engine's by-reference and optional arguments, and the server entry points.
#include <string>

#include "frame/VQ_KELZUD10.h"
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/collection.h"
#include "com/dispatch.h"
#include "com/module.h"
#include "frame/server.h"
#include "testkit.h"

using namespace kzt;

namespace {

std::wstring RegisteredDllPath() {
  wchar_t buf[MAX_PATH] = {};
  LONG size = sizeof buf;
  wchar_t clsid[40];
  StringFromGUID2(CLSID_clsKelzudINIFileHandler1A, clsid, 40);
  RegQueryValueW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32").c_str(), buf, &size);
  return buf;
}

}  // namespace

TEST(Catalogue, HoldsAllClassesWithTheirInstancingInCodeAndTypeLibrary) {
  const auto& cat = kz::Catalogue();
  ASSERT_EQ(cat.size(), 47u);
  int dependent = 0, global = 0;
  for (const auto& e : cat) {
    ITypeInfo* ti = kz::TypeInfoOf(*e.clsid);
    ASSERT_NE(ti, nullptr) << "no coclass for " << kz::ToAnsi(e.name);
    TYPEATTR* ta = nullptr;
    ti->GetTypeAttr(&ta);
    EXPECT_EQ(ta->typekind, TKIND_COCLASS);
    bool appobject = (ta->wTypeFlags & TYPEFLAG_FAPPOBJECT) != 0;
    bool creatable = (ta->wTypeFlags & TYPEFLAG_FCANCREATE) != 0;
    EXPECT_EQ(appobject, e.instancing == kz::Instancing::Global) << kz::ToAnsi(e.name);
    EXPECT_EQ(creatable, e.instancing != kz::Instancing::Dependent) << kz::ToAnsi(e.name);
    // The default interface is _<class>.
    HREFTYPE h;
    ITypeInfo* itf = nullptr;
    ASSERT_HRESULT_SUCCEEDED(ti->GetRefTypeOfImplType(0, &h));
    ASSERT_HRESULT_SUCCEEDED(ti->GetRefTypeInfo(h, &itf));
    BSTR name = nullptr;
    itf->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    EXPECT_EQ(std::wstring(L"_") + e.name, kz::FromBstr(name));
    SysFreeString(name);
    itf->Release();
    ti->ReleaseTypeAttr(ta);
    dependent += e.instancing == kz::Instancing::Dependent;
    global += e.instancing == kz::Instancing::Global;
  }
  EXPECT_EQ(dependent, 6);
  EXPECT_EQ(global, 4);
  // Exactly the two event classes carry a source interface.
  for (const wchar_t* n : {L"clsKelzudRegHand1A", L"clsKelzudFileSystemA"}) {
    ITypeInfo* ti = kz::TypeInfoOf(*kz::FindClass(n)->clsid);
    TYPEATTR* ta = nullptr;
    ti->GetTypeAttr(&ta);
    ASSERT_EQ(ta->cImplTypes, 2);
    INT flags = 0;
    ti->GetImplTypeFlags(1, &flags);
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FSOURCE);
    ti->ReleaseTypeAttr(ta);
  }
}

TEST(Creation, ByProgrammaticIdentifierInAnyLetterCase) {
  for (const wchar_t* id : {L"Kelzud10.clsKelzudINIFileHandler1A", L"KELZUD10.CLSKELZUDINIFILEHANDLER1A",
                            L"kelzud10.clskelzudinifilehandler1a", L"Kelzud10.VQ_KELZUD10",
                            L"Kelzud10.clsKelzud10A", L"Kelzud10.clsKelzudVariedA", L"Kelzud10.clsKelzudShellA",
                            L"Kelzud10.clsKelOSVersionA"})
    EXPECT_HRESULT_SUCCEEDED(TryCreate(id)) << kz::ToAnsi(id);
}

TEST(Creation, DependentAndUnbuiltClassesCannotBeCreated) {
  for (const auto& e : kz::Catalogue()) {
    std::wstring progid = std::wstring(L"Kelzud10.") + e.name;
    HRESULT hr = TryCreate(progid.c_str());
    if (kz::IsPublished(e)) {
      EXPECT_HRESULT_SUCCEEDED(hr) << kz::ToAnsi(progid);
    } else {
      EXPECT_EQ(kz::ErrorNumberOf(hr), 429) << kz::ToAnsi(progid);
      void* f = nullptr;
      EXPECT_EQ(kz::GetClassObject(*e.clsid, IID_IClassFactory, &f), CLASS_E_CLASSNOTAVAILABLE);
    }
  }
  EXPECT_FALSE(kz::IsPublished(*kz::FindClass(L"clsKelzudRegHand1KeyA")));
  // The library's own creation raises 429 the same way.
  try {
    kz::CreateByProgId(L"Kelzud10.clsKelzudRegHand1ValueA");
    FAIL() << "created a dependent class";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 429);
    EXPECT_EQ(e.description(), L"ActiveX component can't create object");
  }
}

TEST(Creation, EmptyClassHasNoMembers) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudVariedA");
  ASSERT_TRUE(o);
  CallResult r = Call(o.get(), L"Anything", {});
  EXPECT_EQ(r.error, 438);
  ITypeInfo* ti = nullptr;
  ASSERT_HRESULT_SUCCEEDED(o->GetTypeInfo(0, 0, &ti));
  TYPEATTR* ta = nullptr;
  ti->GetTypeAttr(&ta);
  EXPECT_EQ(ta->cFuncs, 7);  // IUnknown and IDispatch only (the dispatch view lists them)
  ti->ReleaseTypeAttr(ta);
  ti->Release();
}

// A stand-in for a library class that records when it is terminated. `Members` supplies the
// interface's own members where it has any (they are never called here).
template <class Itf, class Members = Itf>
class Probe final : public Members {
 public:
  Probe(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(Itf))) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    if (--refs_ == 0) { log_->push_back(name_); delete this; return 0; }
    return refs_;
  }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  std::vector<std::string>* log_;
  std::string name_;
  ULONG refs_ = 1;
};

struct GuidMembers : _clsKelzudGUIDA {
  STDMETHODIMP CreateGUID(VARIANT_BOOL*, BSTR*) override { return E_NOTIMPL; }
};

struct FontsMembers : _clsKelzudFontsA {
  STDMETHODIMP get_SourceFile(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_SourceFile(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_DestinationFile(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_DestinationFile(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_FontName(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_FontName(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_IsTrueType(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP put_IsTrueType(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP AddFont(VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP RemoveFont() override { return E_NOTIMPL; }
  STDMETHODIMP ManageFonts(VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL*) override { return E_NOTIMPL; }
};

TEST(RootObject, ReleasesSlotsInSlotOrderAtTermination) {
  std::vector<std::string> log;
  kz::RootObject* root = kz::MakeObject<kz::RootObject>();
  // Set the GUID slot (22) first and the fonts slot (20) second: release follows the slots.
  _clsKelzudGUIDA* guid = new Probe<_clsKelzudGUIDA, GuidMembers>(&log, "guid");
  _clsKelzudFontsA* fonts = new Probe<_clsKelzudFontsA, FontsMembers>(&log, "fonts");
  ASSERT_HRESULT_SUCCEEDED(root->putref_m_clsKelzudGUIDA(&guid));
  ASSERT_HRESULT_SUCCEEDED(root->putref_m_clsKelzudFontsA(&fonts));
  guid->Release();
  fonts->Release();
  _clsKelzudGUIDA* back = nullptr;
  ASSERT_HRESULT_SUCCEEDED(root->get_m_clsKelzudGUIDA(&back));
  EXPECT_EQ(back, guid);
  back->Release();
  _clsKelzudMRUA* never = reinterpret_cast<_clsKelzudMRUA*>(1);
  ASSERT_HRESULT_SUCCEEDED(root->get_m_clsKelzudMRUA(&never));
  EXPECT_EQ(never, nullptr);  // a slot never set is the empty reference
  EXPECT_TRUE(log.empty());
  root->Release();
  EXPECT_EQ(log, (std::vector<std::string>{"fonts", "guid"}));
}

TEST(RootObject, SetReplacesAndReleasesThePreviousInstanceThroughDispatch) {
  std::vector<std::string> log;
  Ptr<IDispatch> root = Create(L"Kelzud10.VQ_KELZUD10");
  _clsKelzudGUIDA* first = new Probe<_clsKelzudGUIDA, GuidMembers>(&log, "first");
  _clsKelzudGUIDA* second = new Probe<_clsKelzudGUIDA, GuidMembers>(&log, "second");
  kz::PutRef(root.get(), L"m_clsKelzudGUIDA", first);
  first->Release();
  EXPECT_TRUE(log.empty());  // the slot holds it
  kz::PutRef(root.get(), L"m_clsKelzudGUIDA", second);
  second->Release();
  EXPECT_EQ(log, (std::vector<std::string>{"first"}));  // replaced, and released then
  Var got = kz::GetProp(root.get(), L"m_clsKelzudGUIDA");
  ASSERT_EQ(got.vt(), VT_DISPATCH);
  EXPECT_EQ(static_cast<void*>(got.get()->pdispVal), static_cast<void*>(second));
  got = Var();
  // An object of another class does not fit the slot: a type mismatch, and the slot keeps
  // what it held.
  Ptr<IDispatch> other = Create(L"Kelzud10.clsKelzudVariedA");
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = other.get();
  CallResult r = Call(root.get(), L"m_clsKelzudGUIDA", {&v}, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(r.error, 13);
  EXPECT_EQ(log, (std::vector<std::string>{"first"}));
  root.reset();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
}

TEST(Errors, ReachTheCallerWithNumberSourceAndDescription) {
  Ptr<IDispatch> ini = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
  // A NUL beyond character 32767 overflows the 16-bit search position: error 6.
  std::wstring big(40000, L'x');
  big[39000] = L'\0';
  Var text = Var::Str(big);
  VARIANT arg;
  arg.vt = VT_BYREF | VT_VARIANT;
  arg.pvarVal = text.get();
  DISPID id;
  LPOLESTR name = const_cast<LPOLESTR>(L"Value");
  ASSERT_HRESULT_SUCCEEDED(ini->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS dp{&arg, &put, 1, 1};
  EXCEPINFO ei{};
  HRESULT hr = ini->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, &ei, nullptr);
  ASSERT_EQ(hr, DISP_E_EXCEPTION);
  EXPECT_EQ(ei.scode, static_cast<SCODE>(0x800A0006));
  EXPECT_EQ(kz::FromBstr(ei.bstrSource), L"Kelzud10.clsKelzudINIFileHandler1A");
  EXPECT_EQ(kz::FromBstr(ei.bstrDescription), L"Overflow");
  SysFreeString(ei.bstrSource);
  SysFreeString(ei.bstrDescription);
  // Through the vtable the same error arrives as HRESULT plus IErrorInfo.
  Ptr<_clsKelzudINIFileHandler1A> typed = ini.As<_clsKelzudINIFileHandler1A>(IID__clsKelzudINIFileHandler1A);
  BSTR b = SysAllocStringLen(big.data(), static_cast<UINT>(big.size()));
  EXPECT_EQ(typed->put_Value(&b), static_cast<HRESULT>(0x800A0006));
  SysFreeString(b);
  kz::Error e = kz::Error::FromHresult(static_cast<HRESULT>(0x800A0006));
  EXPECT_EQ(e.number(), 6);
  EXPECT_EQ(e.source(), L"Kelzud10.clsKelzudINIFileHandler1A");
}

TEST(Errors, StandardDescriptions) {
  struct { long n; const wchar_t* d; } cases[] = {
      {5, L"Invalid procedure call or argument"}, {6, L"Overflow"}, {7, L"Out of memory"},
      {9, L"Subscript out of range"}, {13, L"Type mismatch"}, {53, L"File not found"}, {76, L"Path not found"},
      {91, L"Object variable or With block variable not set"}, {429, L"ActiveX component can't create object"},
      {438, L"Object doesn't support this property or method"},
      {457, L"This key is already associated with an element of this collection"}};
  for (auto& c : cases) EXPECT_EQ(kz::Error(c.n).description(), c.d) << c.n;
}

TEST(Dispatch, WritesByReferenceArgumentsBackIntoScriptVariables) {
  TempDir dir;
  Ptr<IDispatch> ini = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
  kz::PutProp(ini.get(), L"Path", Var::Str(dir.File(L"a.ini")));
  kz::PutProp(ini.get(), L"Section", Var::Str(L"S"));
  for (const wchar_t* k : {L"One", L"Two"}) {
    kz::PutProp(ini.get(), L"Key", Var::Str(k));
    kz::PutProp(ini.get(), L"Value", Var::Str(L"v"));
  }
  // A script's variables arrive as VT_BYREF|VT_VARIANT and get the results.
  Var arr, count = Var::Str(L"5");  // converted in, then replaced by the count
  CallResult r = Call(ini.get(), L"EnumerateCurrentSection", {arr.get(), count.get()});
  ASSERT_EQ(r.error, 0);
  ASSERT_EQ(count.vt(), VT_I2);
  EXPECT_EQ(count.get()->iVal, 2);
  ASSERT_EQ(arr.vt(), VT_ARRAY | VT_VARIANT);  // scripts can index arrays of Variant
  LONG lb = 0, ub = 0;
  SafeArrayGetLBound(arr.get()->parray, 1, &lb);
  SafeArrayGetUBound(arr.get()->parray, 1, &ub);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 2);
  // A typed by-reference argument of another type is converted back to its own type.
  long n = 99;
  VARIANT typed;
  typed.vt = VT_BYREF | VT_I4;
  typed.plVal = &n;
  Var arr2;
  r = Call(ini.get(), L"EnumerateCurrentSection", {arr2.get(), &typed});
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(n, 2);
  // The NULs taken out of a value reach the caller's variable.
  kz::PutProp(ini.get(), L"Key", Var::Str(L"Three"));
  Var value = Var::Str(std::wstring(L"a\0b", 3));
  VARIANT ref;
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = value.get();
  DISPID id;
  LPOLESTR name = const_cast<LPOLESTR>(L"value");  // names without regard to case
  ASSERT_HRESULT_SUCCEEDED(ini->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS dp{&ref, &put, 1, 1};
  ASSERT_HRESULT_SUCCEEDED(ini->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, nullptr));
  EXPECT_EQ(kz::FromBstr(value.get()->bstrVal), L"ab");
  // A value passed by value (a script's parenthesised argument) is left alone.
  Var copy = Var::Str(std::wstring(L"c\0d", 3));
  dp = DISPPARAMS{copy.get(), &put, 1, 1};
  ASSERT_HRESULT_SUCCEEDED(ini->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, nullptr));
  EXPECT_EQ(SysStringLen(copy.get()->bstrVal), 3u);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(ini.get(), L"Value").get()), L"cd");
}

TEST(Dispatch, OptionalArgumentsBooleansAndArgumentErrors) {
  Ptr<IDispatch> ini = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
  Var fail = Var::Str(L"FAIL");
  CallResult r = Call(ini.get(), L"CLngDefault", {fail.get()});  // lDefault left out: 0
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.value.vt(), VT_I4);
  EXPECT_EQ(r.value.get()->lVal, 0);
  Var missing = Var::Missing(), seven = Var::Long(7);
  r = Call(ini.get(), L"CLngDefault", {fail.get(), missing.get()});  // explicitly omitted
  EXPECT_EQ(r.value.get()->lVal, 0);
  r = Call(ini.get(), L"CLngDefault", {fail.get(), seven.get()});
  EXPECT_EQ(r.value.get()->lVal, 7);
  // Booleans are -1 / 0.
  Var ok = kz::GetProp(ini.get(), L"Success");
  ASSERT_EQ(ok.vt(), VT_BOOL);
  EXPECT_EQ(ok.get()->boolVal, 0);
  // A required argument left out, too many arguments, a wrong type.
  r = Call(ini.get(), L"CLngDefault", {});
  EXPECT_EQ(r.error, 449);
  r = Call(ini.get(), L"CLngDefault", {fail.get(), seven.get(), seven.get()});
  EXPECT_EQ(r.error, 450);
  Var obj = Var::Object(ini.get());
  r = Call(ini.get(), L"CLngDefault", {obj.get()});
  EXPECT_EQ(r.error, 13);
  r = Call(ini.get(), L"NoSuchMember", {});
  EXPECT_EQ(r.error, 438);
}

TEST(Collection, BehavesAsTheAutomationCollection) {
  kz::Collection* c = kz::MakeObject<kz::Collection>();
  Ptr<IDispatch> d = Ptr<IDispatch>::Adopt(c);
  Var a = Var::Str(L"a"), b = Var::Str(L"b"), x = Var::Str(L"x");
  Var ka = Var::Str(L"KeyA"), kb = Var::Str(L"keyb");
  Var missing = Var::Missing();
  ASSERT_EQ(Call(d.get(), L"Add", {a.get(), ka.get()}).error, 0);
  ASSERT_EQ(Call(d.get(), L"Add", {b.get(), kb.get()}).error, 0);
  Var one = Var::Long(1);
  ASSERT_EQ(Call(d.get(), L"Add", {x.get(), missing.get(), one.get()}).error, 0);  // Before 1
  EXPECT_EQ(c->size(), 3);
  EXPECT_EQ(kz::VarToStr(&c->At(1)), L"x");
  Var upper = Var::Str(L"KEYA");
  CallResult r = Call(d.get(), L"Item", {upper.get()});
  EXPECT_EQ(kz::VarToStr(r.value.get()), L"a");
  EXPECT_EQ(Call(d.get(), L"Add", {x.get(), upper.get()}).error, 457);
  Var absent = Var::Str(L"nope"), nine = Var::Long(9), zero = Var::Long(0);
  EXPECT_EQ(Call(d.get(), L"Item", {absent.get()}).error, 5);
  EXPECT_EQ(Call(d.get(), L"Item", {nine.get()}).error, 9);
  EXPECT_EQ(Call(d.get(), L"Item", {zero.get()}).error, 9);
  Var after = Var::Str(L"keyA");
  Var y = Var::Str(L"y");
  ASSERT_EQ(Call(d.get(), L"Add", {y.get(), missing.get(), missing.get(), after.get()}).error, 0);
  EXPECT_EQ(kz::VarToStr(&c->At(3)), L"y");
  EXPECT_EQ(Call(d.get(), L"Add", {y.get(), missing.get(), one.get(), one.get()}).error, 5);
  ASSERT_EQ(Call(d.get(), L"Remove", {upper.get()}).error, 0);
  EXPECT_EQ(c->Find(L"keya"), 0);
  EXPECT_EQ(c->Find(L"KEYB"), 3);  // positions after a removal follow the items
  // For Each: DISPID_NEWENUM gives an IEnumVARIANT over the items in order.
  VARIANT e;
  VariantInit(&e);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ASSERT_HRESULT_SUCCEEDED(d->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &e, nullptr, nullptr));
  IEnumVARIANT* en = nullptr;
  ASSERT_HRESULT_SUCCEEDED(e.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&en)));
  VariantClear(&e);
  std::wstring seen;
  VARIANT item;
  ULONG got;
  while (en->Next(1, &item, &got) == S_OK) { seen += kz::VarToStr(&item); VariantClear(&item); }
  en->Release();
  EXPECT_EQ(seen, L"xyb");
}

TEST(Server, CanUnloadOnlyWhenNoObjectIsAlive) {
  std::wstring path = RegisteredDllPath();
  ASSERT_FALSE(path.empty());
  HMODULE dll = LoadLibraryW(path.c_str());
  ASSERT_NE(dll, nullptr);
  auto can_unload = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(dll, "DllCanUnloadNow"));
  auto get_class = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(GetProcAddress(dll, "DllGetClassObject"));
  ASSERT_TRUE(can_unload && get_class);
  EXPECT_EQ(can_unload(), S_OK);
  IClassFactory* f = nullptr;
  ASSERT_HRESULT_SUCCEEDED(get_class(CLSID_clsKelzudINIFileHandler1A, IID_IClassFactory, reinterpret_cast<void**>(&f)));
  IDispatch* o = nullptr;
  ASSERT_HRESULT_SUCCEEDED(f->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&o)));
  f->Release();
  EXPECT_EQ(can_unload(), S_FALSE);
  o->Release();
  EXPECT_EQ(can_unload(), S_OK);
  IClassFactory* dep = nullptr;
  EXPECT_EQ(get_class(CLSID_clsKelzudRegHand1KeyA, IID_IClassFactory, reinterpret_cast<void**>(&dep)),
            CLASS_E_CLASSNOTAVAILABLE);
  FreeLibrary(dll);
}

TEST(Server, CarriesItsVersionAndTypeLibrary) {
  std::wstring path = RegisteredDllPath();
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  wchar_t* text = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text), &len));
  EXPECT_EQ(std::wstring(text), L"1.00.0629");
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void**>(&text), &len));
  EXPECT_EQ(std::wstring(text), L"1.00.0629");
  ITypeLib* tl = nullptr;
  ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_Kelzud10, 1, 0, 1033, &tl));
  TLIBATTR* la = nullptr;
  tl->GetLibAttr(&la);
  EXPECT_EQ(la->wMajorVerNum, 1);
  EXPECT_EQ(la->wMinorVerNum, 0);
  EXPECT_EQ(la->lcid, 1033u);
  tl->ReleaseTLibAttr(la);
  BSTR name = nullptr;
  tl->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(kz::FromBstr(name), L"Kelzud10");
  SysFreeString(name);
  tl->Release();
}
