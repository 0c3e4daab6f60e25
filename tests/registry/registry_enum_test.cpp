// Enumeration of keys and values: collections, events through connection points, a buddy
// object called by name, AbortEnum, pending messages, the value object's read and write rules,
// and object lifetimes.
#include <functional>

#include "frame/kz.h"
#include "base/error.h"
#include "com/module.h"
#include "regtest.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1KeyA.h"
#include "registry/clsKelzudRegHand1KeysA.h"
#include "registry/clsKelzudRegHand1ValueA.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

using namespace kzt;
using kz::RegistryObject;
using kz::RegistryValue;

namespace {

struct Notice {
  std::wstring name;  // method name (buddy) or event name (sink)
  std::vector<Var> args;
  std::vector<VARTYPE> types;  // as passed, before dereferencing
};

// An IDispatch of the test's own: an event sink for __clsKelzudRegHand1A, or a buddy object
// that knows the two notification methods by name (or, when `methods` says so, fewer).
class Recorder final : public IDispatch {
 public:
  explicit Recorder(std::vector<std::wstring> methods = {}) : methods_(std::move(methods)) {}
  std::vector<Notice> calls;
  // Runs inside each call; a failing HRESULT is reported to the caller as an exception.
  std::function<HRESULT(const Notice&, EXCEPINFO*)> on_call;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, DIID___clsKelzudRegHand1A)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG r = --refs_;
    if (!r) delete this;
    return r;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    for (size_t i = 0; i < methods_.size(); ++i) {
      if (kz::EqualNoCase(names[0], methods_[i])) {
        ids[0] = static_cast<DISPID>(100 + i);
        for (UINT k = 1; k < n; ++k) ids[k] = DISPID_UNKNOWN;
        return n == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    for (UINT k = 0; k < n; ++k) ids[k] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT*, EXCEPINFO* ei, UINT*) override {
    Notice c;
    if (id >= 100) c.name = methods_[static_cast<size_t>(id - 100)];
    else if (id == 1) c.name = L"KeyEnumerated";
    else if (id == 2) c.name = L"ValueEnumerated";
    else return DISP_E_MEMBERNOTFOUND;
    for (UINT i = dp->cArgs; i-- > 0;) {
      c.types.push_back(dp->rgvarg[i].vt);
      c.args.push_back(kz::Deref(&dp->rgvarg[i]));
    }
    calls.push_back(c);
    if (on_call) {
      HRESULT hr = on_call(c, ei);
      if (FAILED(hr)) return DISP_E_EXCEPTION;
    }
    return S_OK;
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> out;
    for (const auto& c : calls) out.push_back(kz::VarToStr(c.args[0].get()));
    return out;
  }

 private:
  std::vector<std::wstring> methods_;
  ULONG refs_ = 1;
};

// Connects a sink to a registry object's events for the life of the object.
class Connection {
 public:
  Connection(IUnknown* source, IDispatch* sink) {
    Ptr<IConnectionPointContainer> cpc;
    EXPECT_HRESULT_SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer,
                                                     reinterpret_cast<void**>(cpc.out())));
    EXPECT_HRESULT_SUCCEEDED(cpc->FindConnectionPoint(DIID___clsKelzudRegHand1A, cp_.out()));
    EXPECT_HRESULT_SUCCEEDED(cp_->Advise(sink, &cookie_));
  }
  ~Connection() { if (cp_) cp_->Unadvise(cookie_); }

 private:
  Ptr<IConnectionPoint> cp_;
  DWORD cookie_ = 0;
};

Ptr<Recorder> NewRecorder(std::vector<std::wstring> methods = {}) { return Ptr<Recorder>::Adopt(new Recorder(methods)); }

std::wstring TextOf(const Var& v) { return kz::VarToStr(v.get()); }
std::wstring PropText(IDispatch* d, const wchar_t* name) { return TextOf(kz::GetProp(d, name)); }

class EnumTest : public ::testing::Test {
 protected:
  EnumTest()
      : scratch_(std::wstring(L"enum_") +
                 kz::FromAnsi(::testing::UnitTest::GetInstance()->current_test_info()->name())) {}

  void SetUp() override {
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch_.path().c_str(), 0, KEY_ALL_ACCESS, &raw_), ERROR_SUCCESS);
    key_ = static_cast<long>(reinterpret_cast<LONG_PTR>(raw_));
  }
  void TearDown() override { RegCloseKey(raw_); }

  // Subkey names in the platform's order.
  std::vector<std::wstring> PlatformKeys() {
    std::vector<std::wstring> out;
    wchar_t name[300];
    for (DWORD i = 0;; ++i) {
      DWORD n = 300;
      if (RegEnumKeyExW(raw_, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      out.push_back(name);
    }
    return out;
  }
  std::vector<std::wstring> PlatformValues() {
    std::vector<std::wstring> out;
    std::vector<wchar_t> name(20000);
    for (DWORD i = 0;; ++i) {
      DWORD n = static_cast<DWORD>(name.size());
      if (RegEnumValueW(raw_, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      out.push_back(std::wstring(name.data(), n));
    }
    return out;
  }

  Ptr<_clsKelzudRegHand1KeysA> Keys(bool events = false, bool pump = false, bool nothing = false, HRESULT* hr = nullptr) {
    Ptr<_clsKelzudRegHand1KeysA> r;
    HRESULT h = reg_->enumKeys(static_cast<StandardRegistryKeys>(key_), events ? VARIANT_TRUE : VARIANT_FALSE,
                               pump ? VARIANT_TRUE : VARIANT_FALSE, nothing ? VARIANT_TRUE : VARIANT_FALSE, r.out());
    if (hr) *hr = h; else EXPECT_HRESULT_SUCCEEDED(h);
    return r;
  }
  Ptr<_clsKelzudRegHand1ValuesA> Values(bool events = false, bool pump = false, bool nothing = false,
                                        HRESULT* hr = nullptr, long key = 0) {
    Ptr<_clsKelzudRegHand1ValuesA> r;
    HRESULT h = reg_->EnumValues(static_cast<StandardRegistryKeys>(key ? key : key_),
                                 events ? VARIANT_TRUE : VARIANT_FALSE, pump ? VARIANT_TRUE : VARIANT_FALSE,
                                 nothing ? VARIANT_TRUE : VARIANT_FALSE, r.out());
    if (hr) *hr = h; else EXPECT_HRESULT_SUCCEEDED(h);
    return r;
  }
  static const wchar_t* NameMember(_clsKelzudRegHand1KeysA*) { return L"KeyName"; }
  static const wchar_t* NameMember(_clsKelzudRegHand1ValuesA*) { return L"ValueName"; }
  static Ptr<IDispatch> ItemOf(_clsKelzudRegHand1KeysA* c, const Var& index) {
    _clsKelzudRegHand1KeyA* item = nullptr;
    EXPECT_HRESULT_SUCCEEDED(c->get_Item(*index.get(), &item));
    return Ptr<IDispatch>::Adopt(item);
  }
  static Ptr<IDispatch> ItemOf(_clsKelzudRegHand1ValuesA* c, const Var& index) {
    _clsKelzudRegHand1ValueA* item = nullptr;
    EXPECT_HRESULT_SUCCEEDED(c->get_Item(*index.get(), &item));
    return Ptr<IDispatch>::Adopt(item);
  }
  template <class Coll>
  static Ptr<IDispatch> ItemOf(Coll* c, long i) { return ItemOf(c, Var::Long(i)); }
  // KeyName or ValueName of every item, in collection order.
  template <class Coll>
  static std::vector<std::wstring> ItemNames(Coll* c) {
    std::vector<std::wstring> out;
    long n = 0;
    c->get_Count(&n);
    for (long i = 1; i <= n; ++i) out.push_back(PropText(ItemOf(c, i).get(), NameMember(c)));
    return out;
  }

  ScratchKey scratch_;
  HKEY raw_ = nullptr;
  long key_ = 0;
  Ptr<RegistryObject> reg_ = NewRegistryObject();
};

// Three subkeys, the second with a child of its own.
void MakeTree(const ScratchKey& s) {
  s.MakeSubKey(L"Alpha");
  s.MakeSubKey(L"Beta");
  s.MakeSubKey(L"Beta\\Child");
  s.MakeSubKey(L"Gamma");
}

}  // namespace

// ---- keys ------------------------------------------------------------------------------------

TEST_F(EnumTest, KeysWithoutOptionsFillTheCollectionSilently) {
  MakeTree(scratch_);
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  Ptr<_clsKelzudRegHand1KeysA> keys = Keys();
  ASSERT_TRUE(keys);
  EXPECT_TRUE(sink->calls.empty());
  EXPECT_EQ(ItemNames(keys.get()), PlatformKeys());
  long n = 0, handle = -1;
  keys->get_Count(&n);
  EXPECT_EQ(n, 3);
  keys->get_Handle(&handle);
  EXPECT_EQ(handle, key_);
  for (long i = 1; i <= n; ++i) {
    Ptr<IDispatch> k = ItemOf(keys.get(), i);
    std::wstring name = PropText(k.get(), L"KeyName");
    EXPECT_EQ(kz::VarToLong(kz::GetProp(k.get(), L"Handle").get()), 0);
    Var children = kz::GetProp(k.get(), L"HadChildrenOnEnum");
    ASSERT_EQ(children.vt(), VT_BOOL);
    EXPECT_EQ(children.get()->boolVal, name == L"Beta" ? VARIANT_TRUE : VARIANT_FALSE) << kz::ToAnsi(name);
    // KeyName is the default member; Parent is the collection; no values were listed.
    Var dflt = kz::CallByName(k.get(), L"KeyName", DISPATCH_PROPERTYGET, std::vector<Var>{});
    Var by_id;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_HRESULT_SUCCEEDED(k->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, by_id.get(), nullptr, nullptr));
    EXPECT_EQ(TextOf(by_id), name);
    Var parent = kz::GetProp(k.get(), L"Parent");
    ASSERT_EQ(parent.vt(), VT_DISPATCH);
    Ptr<IUnknown> a, b;
    parent.get()->pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(a.out()));
    keys->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(b.out()));
    EXPECT_EQ(a.get(), b.get());
    Var values = kz::GetProp(k.get(), L"Values");
    EXPECT_TRUE(values.vt() == VT_DISPATCH && values.get()->pdispVal == nullptr);
  }
  // Item by a position or key that is not there: the collection's errors.
  _clsKelzudRegHand1KeyA* none = nullptr;
  EXPECT_EQ(kz::ErrorNumberOf(keys->get_Item(*Var::Long(4).get(), &none)), 9);
  EXPECT_EQ(kz::ErrorNumberOf(keys->get_Item(*Var::Str(L"Alpha").get(), &none)), 5);
  // The probes left the open-key table as it was.
  long count = -1;
  reg_->get_Count(&count);
  EXPECT_EQ(count, 0);
}

TEST_F(EnumTest, KeyEventsComeInPlatformOrderWithTheChildrenFlag) {
  MakeTree(scratch_);
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  Ptr<_clsKelzudRegHand1KeysA> keys = Keys(true);
  ASSERT_TRUE(keys);
  ASSERT_EQ(sink->calls.size(), 3u);
  EXPECT_EQ(sink->Names(), PlatformKeys());
  for (const Notice& call : sink->calls) {
    EXPECT_EQ(call.name, L"KeyEnumerated");
    ASSERT_EQ(call.args.size(), 2u);
    EXPECT_EQ(call.types[0], VT_BSTR);
    EXPECT_EQ(call.types[1], VT_BOOL);
    bool beta = TextOf(call.args[0]) == L"Beta";
    EXPECT_EQ(call.args[1].get()->boolVal, beta ? VARIANT_TRUE : VARIANT_FALSE);
  }
  // Events without a collection.
  sink->calls.clear();
  Ptr<_clsKelzudRegHand1KeysA> nothing = Keys(true, false, true);
  EXPECT_FALSE(nothing);
  EXPECT_EQ(sink->calls.size(), 3u);
}

TEST_F(EnumTest, SuppressingEventsAndTheResultIsError10029) {
  MakeTree(scratch_);
  scratch_.Set(L"v", REG_SZ, std::string("x", 2));
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  HRESULT hr = S_OK;
  EXPECT_FALSE(Keys(false, false, true, &hr));
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(kz::ErrorNumberOf(hr), 10029);
    kz::Error e = kz::Error::FromHresult(hr);
    EXPECT_EQ(e.source(), L"RegLib.RegistryObject");
    EXPECT_EQ(e.description(), L"Cannot suppress events and return nothing.");
    EXPECT_FALSE(Values(false, false, true, &hr));
  }
  EXPECT_TRUE(sink->calls.empty());
}

TEST_F(EnumTest, AbortEnumInsideTheFirstHandlerStopsAfterOneKey) {
  MakeTree(scratch_);
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  sink->on_call = [&](const Notice&, EXCEPINFO*) {
    if (sink->calls.size() == 1) reg_->AbortEnum();
    return S_OK;
  };
  Ptr<_clsKelzudRegHand1KeysA> keys = Keys(true);
  long n = 0;
  keys->get_Count(&n);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(sink->calls.size(), 1u);
  EXPECT_FALSE(reg_->abort_pending());
  // The flag was cleared: the next enumeration runs to the end.
  sink->on_call = nullptr;
  keys = Keys(true);
  keys->get_Count(&n);
  EXPECT_EQ(n, 3);
}

TEST_F(EnumTest, AnAbortRequestedBetweenEnumerationsStopsTheNextAfterItsFirstEntry) {
  MakeTree(scratch_);
  scratch_.Set(L"one", REG_SZ, std::string("1", 2));
  scratch_.Set(L"two", REG_SZ, std::string("2", 2));
  long n = 0;
  reg_->AbortEnum();
  Keys()->get_Count(&n);
  EXPECT_EQ(n, 1);
  EXPECT_FALSE(reg_->abort_pending());
  reg_->AbortEnum();
  Ptr<_clsKelzudRegHand1ValuesA> values = Values();
  values->get_Count(&n);
  EXPECT_EQ(n, 2);  // "(default)" and the first value
  EXPECT_FALSE(reg_->abort_pending());
  // A key without subkeys never reads a next entry, so the request waits.
  ScratchKey empty(L"enum_abort_empty");
  long h = reg_->Open(kHkcu, empty.path(), true, L"");
  reg_->AbortEnum();
  Ptr<_clsKelzudRegHand1KeysA> none;
  ASSERT_HRESULT_SUCCEEDED(reg_->enumKeys(static_cast<StandardRegistryKeys>(h), 0, 0, 0, none.out()));
  EXPECT_TRUE(reg_->abort_pending());
  reg_->CloseHandle(h);
}

namespace {
RegistryObject* g_abort_target = nullptr;
LRESULT CALLBACK AbortWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 1 && g_abort_target) g_abort_target->AbortEnum();
  return DefWindowProcW(w, msg, wp, lp);
}
}  // namespace

TEST_F(EnumTest, DoEventsLetsAPendingMessageAbortTheEnumeration) {
  MakeTree(scratch_);
  WNDCLASSW wc{};
  wc.lpfnWndProc = AbortWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KzAbortWindow";
  RegisterClassW(&wc);
  HWND w = CreateWindowW(L"KzAbortWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  g_abort_target = reg_.get();
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  long n = 0;
  // Without fDoEvents the message waits and the enumeration runs to the end.
  PostMessageW(w, WM_APP + 1, 0, 0);
  Keys(true, false)->get_Count(&n);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(sink->Names(), PlatformKeys());
  EXPECT_FALSE(reg_->abort_pending());
  // With it, the message runs after the first key and stops the enumeration; that key's event
  // was raised before it.
  sink->calls.clear();
  Keys(true, true)->get_Count(&n);
  EXPECT_EQ(n, 1);
  ASSERT_EQ(sink->calls.size(), 1u);
  EXPECT_EQ(sink->calls[0].name, L"KeyEnumerated");
  EXPECT_EQ(sink->Names()[0], PlatformKeys()[0]);
  EXPECT_FALSE(reg_->abort_pending());
  g_abort_target = nullptr;
  DestroyWindow(w);
}

// ---- values ----------------------------------------------------------------------------------

TEST_F(EnumTest, AKeyWithoutValuesListsOnlyItsDefaultEntry) {
  Ptr<_clsKelzudRegHand1ValuesA> values = Values();
  long n = 0, parent_key = 0;
  values->get_Count(&n);
  ASSERT_EQ(n, 1);
  values->get_ParentKey(&parent_key);
  EXPECT_EQ(parent_key, key_);
  Ptr<IDispatch> d = ItemOf(values.get(), Var::Str(L"(DEFAULT)"));
  EXPECT_EQ(PropText(d.get(), L"ValueName"), L"");
  EXPECT_EQ(kz::VarToLong(kz::GetProp(d.get(), L"DataType").get()), 1);
  EXPECT_EQ(kz::GetProp(d.get(), L"Default").get()->boolVal, VARIANT_TRUE);
  EXPECT_EQ(kz::GetProp(d.get(), L"Value").vt(), VT_EMPTY);
  EXPECT_EQ(kz::VarToLong(kz::GetProp(d.get(), L"ParentKey").get()), key_);
  EXPECT_EQ(kz::VarToLong(kz::GetProp(d.get(), L"Size").get()), 0);
}

TEST_F(EnumTest, TheDefaultValueIsListedFirstAndAgainInPlatformOrder) {
  scratch_.Set(L"", REG_SZ, std::string("dflt", 5));
  scratch_.Set(L"named", REG_DWORD, Bytes({7, 0, 0, 0}));
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  Ptr<_clsKelzudRegHand1ValuesA> values = Values(true);
  long n = 0;
  values->get_Count(&n);
  ASSERT_EQ(n, 3);
  Ptr<IDispatch> first = ItemOf(values.get(), 1);
  EXPECT_EQ(TextOf(kz::GetProp(first.get(), L"Value")), L"dflt");
  EXPECT_EQ(kz::GetProp(first.get(), L"Default").get()->boolVal, VARIANT_TRUE);
  Ptr<IDispatch> by_key = ItemOf(values.get(), Var::Str(L"(default)"));
  EXPECT_EQ(first.get(), by_key.get());
  std::vector<std::wstring> platform = PlatformValues();
  ASSERT_EQ(platform.size(), 2u);
  for (long i = 2; i <= 3; ++i) {
    Ptr<IDispatch> v = ItemOf(values.get(), i);
    std::wstring name = PropText(v.get(), L"ValueName");
    EXPECT_EQ(name, platform[static_cast<size_t>(i - 2)]);
    if (name.empty()) {
      EXPECT_EQ(TextOf(kz::GetProp(v.get(), L"Value")), L"dflt");
      EXPECT_EQ(kz::GetProp(v.get(), L"Default").get()->boolVal, VARIANT_TRUE);
      EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"DataType").get()), REG_SZ);
    } else {
      EXPECT_EQ(ItemOf(values.get(), Var::Str(L"NAMED")).get(), v.get());
      Var data = kz::GetProp(v.get(), L"Value");
      EXPECT_EQ(data.vt(), VT_I4);
      EXPECT_EQ(data.get()->lVal, 7);
      EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"DataType").get()), REG_DWORD);
      EXPECT_EQ(kz::GetProp(v.get(), L"Default").get()->boolVal, VARIANT_FALSE);
    }
  }
  // One event per entry, the value objects already loaded, the same objects as in the collection.
  ASSERT_EQ(sink->calls.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const Notice& call = sink->calls[i];
    EXPECT_EQ(call.name, L"ValueEnumerated");
    ASSERT_EQ(call.types[0], VT_DISPATCH);
    EXPECT_EQ(call.args[0].get()->pdispVal, ItemOf(values.get(), static_cast<long>(i + 1)).get());
  }
}

TEST_F(EnumTest, AValueNamedDefaultClashesWithTheDefaultEntry) {
  scratch_.Set(L"(Default)", REG_SZ, std::string("x", 2));
  HRESULT hr = S_OK;
  EXPECT_FALSE(Values(false, false, false, &hr));
  EXPECT_EQ(kz::ErrorNumberOf(hr), 457);
  // Without a collection there is nothing to clash with.
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  EXPECT_FALSE(Values(true, false, true));
  EXPECT_EQ(sink->calls.size(), 2u);
}

TEST_F(EnumTest, AHandleThatIsNotOpenGivesEmptyResults) {
  long closed = reg_->Open(kHkcu, scratch_.path(), false, L"");
  reg_->CloseHandle(closed);
  for (long h : {closed, 0x7FFF0000L}) {
    Ptr<_clsKelzudRegHand1KeysA> keys;
    ASSERT_HRESULT_SUCCEEDED(reg_->enumKeys(static_cast<StandardRegistryKeys>(h), 0, 0, 0, keys.out()));
    long n = -1;
    keys->get_Count(&n);
    EXPECT_EQ(n, 0);
    Ptr<_clsKelzudRegHand1ValuesA> values = Values(false, false, false, nullptr, h);
    values->get_Count(&n);
    EXPECT_EQ(n, 1);
  }
}

TEST_F(EnumTest, ValueNamesLongerThanTheUsualBufferDoNotEndTheList) {
  std::wstring long_name(2000, L'n');
  scratch_.Set(L"a", REG_SZ, std::string("1", 2));
  scratch_.Set(long_name, REG_SZ, std::string("2", 2));
  scratch_.Set(L"z", REG_SZ, std::string("3", 2));
  Ptr<_clsKelzudRegHand1ValuesA> values = Values();
  std::vector<std::wstring> expected = PlatformValues();
  expected.insert(expected.begin(), L"");
  EXPECT_EQ(ItemNames(values.get()), expected);
  EXPECT_EQ(TextOf(kz::GetProp(ItemOf(values.get(), Var::Str(long_name)).get(), L"Value")), L"2");
}

TEST_F(EnumTest, ValuesOfEveryTypeAreReadWithTheirSize) {
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::string data;
    long size;
    const wchar_t* word;
    const wchar_t* friendly;
  };
  const Case cases[] = {
      {L"sz", REG_SZ, std::string("abcd", 5), 4, L"SZ", L"String"},
      {L"exp", REG_EXPAND_SZ, std::string("ab", 3), 2, L"EXPANDSZ", L"String With Environment Variables"},
      {L"bin1", REG_BINARY, Bytes({1}), 1, L"BINARY", L"Binary"},
      {L"bin2", REG_BINARY, Bytes({1, 2}), 2, L"BINARY", L"Binary"},
      {L"bin3", REG_BINARY, Bytes({1, 2, 3}), 3, L"BINARY", L"Binary"},
      {L"bin4", REG_BINARY, Bytes({1, 2, 3, 4}), 4, L"BINARY", L"Binary"},
      {L"dw", REG_DWORD, Bytes({1, 0, 0, 0}), 4, L"DWORD", L"DWord"},
      {L"be", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1}), 4, L"DWORD(B)", L"DWord (Big Endian)"},
      {L"link", REG_LINK, Bytes({'a', 0}), 2, L"LINK", L"Link"},
      {L"multi", REG_MULTI_SZ, std::string("ab\0c\0\0", 6), 4, L"MULTISZ", L"Multiple Strings"},
      {L"multi0", REG_MULTI_SZ, std::string("\0", 1), 0, L"MULTISZ", L"Multiple Strings"},
      {L"none", REG_NONE, "xyz", 3, L"NONE", L"None"},
      {L"t8", 8, "q", 1, L"NONE", L"None"},
      {L"empty", REG_SZ, "", 0, L"SZ", L"String"},
  };
  for (const Case& c : cases) scratch_.Set(c.name, c.type, c.data);
  Ptr<_clsKelzudRegHand1ValuesA> values = Values();
  for (const Case& c : cases) {
    Ptr<IDispatch> v = ItemOf(values.get(), Var::Str(c.name));
    EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"Size").get()), c.size) << kz::ToAnsi(c.name);
    EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"DataType").get()), static_cast<long>(c.type));
    EXPECT_EQ(PropText(v.get(), L"TypeWord"), c.word) << kz::ToAnsi(c.name);
    Var friendly = kz::CallByName(v.get(), L"TypeWord", DISPATCH_PROPERTYGET, std::vector<Var>{Var::Bool(true)});
    EXPECT_EQ(TextOf(friendly), c.friendly) << kz::ToAnsi(c.name);
  }
}

// ---- buddy object and errors from handlers ---------------------------------------------------

TEST_F(EnumTest, ABuddyObjectReceivesTheNotificationsInsteadOfEvents) {
  MakeTree(scratch_);
  scratch_.Set(L"v", REG_SZ, std::string("x", 2));
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  Ptr<Recorder> buddy = NewRecorder({L"czKELZUDRegHand1_KeyEnumerated", L"czKELZUDRegHand1_ValueEnumerated"});
  ASSERT_HRESULT_SUCCEEDED(reg_->putref_BuddyObject(buddy.get()));
  IDispatch* got = nullptr;
  reg_->get_BuddyObject(&got);
  EXPECT_EQ(got, buddy.get());
  got->Release();

  Keys(true);
  EXPECT_TRUE(sink->calls.empty());
  ASSERT_EQ(buddy->calls.size(), 3u);
  EXPECT_EQ(buddy->Names(), PlatformKeys());
  for (const Notice& call : buddy->calls) {
    EXPECT_EQ(call.name, L"czKELZUDRegHand1_KeyEnumerated");
    ASSERT_EQ(call.types.size(), 2u);
    EXPECT_EQ(call.types[0], VT_BYREF | VT_VARIANT);  // the name by reference
    EXPECT_EQ(call.args[0].vt(), VT_BSTR);
    EXPECT_EQ(call.args[1].get()->boolVal, TextOf(call.args[0]) == L"Beta" ? VARIANT_TRUE : VARIANT_FALSE);
  }
  buddy->calls.clear();
  Values(true, false, true);
  EXPECT_TRUE(sink->calls.empty());
  ASSERT_EQ(buddy->calls.size(), 2u);
  EXPECT_EQ(buddy->calls[0].types[0], VT_BYREF | VT_VARIANT);
  ASSERT_EQ(buddy->calls[0].args[0].vt(), VT_DISPATCH);
  EXPECT_EQ(kz::GetProp(buddy->calls[0].args[0].get()->pdispVal, L"Default").get()->boolVal, VARIANT_TRUE);
  EXPECT_EQ(TextOf(kz::GetProp(buddy->calls[1].args[0].get()->pdispVal, L"Value")), L"x");

  // Set back to Nothing, events are raised again.
  reg_->putref_BuddyObject(nullptr);
  Keys(true);
  EXPECT_EQ(sink->calls.size(), 3u);
}

TEST_F(EnumTest, ABuddyWithoutTheMethodEndsTheEnumerationWithItsError) {
  MakeTree(scratch_);
  Ptr<Recorder> buddy = NewRecorder({L"czKELZUDRegHand1_ValueEnumerated"});
  reg_->putref_BuddyObject(buddy.get());
  HRESULT hr = S_OK;
  EXPECT_FALSE(Keys(true, false, false, &hr));
  EXPECT_EQ(kz::ErrorNumberOf(hr), 438);
  EXPECT_TRUE(buddy->calls.empty());
  // Without announcements the buddy is not called at all.
  long n = 0;
  Keys()->get_Count(&n);
  EXPECT_EQ(n, 3);
}

TEST_F(EnumTest, AnErrorRaisedByASinkReachesTheCaller) {
  MakeTree(scratch_);
  Ptr<Recorder> sink = NewRecorder();
  Connection c(reg_->itf(), sink.get());
  sink->on_call = [](const Notice&, EXCEPINFO* ei) {
    ei->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 1234);
    ei->bstrSource = SysAllocString(L"ClientForm");
    ei->bstrDescription = SysAllocString(L"handler failed");
    return E_FAIL;
  };
  HRESULT hr = S_OK;
  EXPECT_FALSE(Keys(true, false, false, &hr));
  EXPECT_EQ(kz::ErrorNumberOf(hr), 1234);
  kz::Error e = kz::Error::FromHresult(hr);
  EXPECT_EQ(e.source(), L"ClientForm");
  EXPECT_EQ(e.description(), L"handler failed");
  EXPECT_EQ(sink->calls.size(), 1u);
}

// ---- the key object and the collections ------------------------------------------------------

TEST_F(EnumTest, GetKeyObjectListsValuesOnlyWhenAsked) {
  scratch_.Set(L"a", REG_SZ, std::string("1", 2));
  scratch_.Set(L"b", REG_DWORD, Bytes({2, 0, 0, 0}));
  Ptr<_clsKelzudRegHand1KeyA> k;
  ASSERT_HRESULT_SUCCEEDED(reg_->GetKeyObject(key_, VARIANT_FALSE, k.out()));
  long h = 0;
  k->get_Handle(&h);
  EXPECT_EQ(h, key_);
  EXPECT_EQ(PropText(k.get(), L"KeyName"), L"");
  EXPECT_EQ(kz::GetProp(k.get(), L"Parent").get()->pdispVal, nullptr);
  EXPECT_EQ(kz::GetProp(k.get(), L"Values").get()->pdispVal, nullptr);
  ASSERT_HRESULT_SUCCEEDED(reg_->GetKeyObject(key_, VARIANT_TRUE, k.out()));
  Ptr<_clsKelzudRegHand1ValuesA> values;
  ASSERT_HRESULT_SUCCEEDED(k->get_Values(values.out()));
  long n = 0;
  values->get_Count(&n);
  EXPECT_EQ(n, 3);
}

TEST_F(EnumTest, KeysCollectionAddRemoveClearAndForEach) {
  Ptr<_clsKelzudRegHand1KeysA> keys = Keys();
  Ptr<_clsKelzudRegHand1KeyA> k;
  BSTR name = SysAllocString(L"Added"), key = SysAllocString(L"k1"), empty = SysAllocString(L"");
  ASSERT_HRESULT_SUCCEEDED(keys->Add(name, 77, key, k.out()));
  long h = 0;
  k->get_Handle(&h);
  EXPECT_EQ(h, 77);
  EXPECT_EQ(PropText(k.get(), L"KeyName"), L"Added");
  EXPECT_EQ(kz::GetProp(k.get(), L"Parent").get()->pdispVal, static_cast<IDispatch*>(keys.get()));
  EXPECT_EQ(kz::ErrorNumberOf(keys->Add(name, 0, key, k.out())), 457);
  ASSERT_HRESULT_SUCCEEDED(keys->Add(name, 0, empty, k.out()));
  ASSERT_HRESULT_SUCCEEDED(keys->Add(name, 0, empty, k.out()));
  long n = 0;
  keys->get_Count(&n);
  EXPECT_EQ(n, 3);
  // For Each walks the items in order.
  Ptr<IUnknown> unk;
  ASSERT_HRESULT_SUCCEEDED(keys->NewEnum(unk.out()));
  Ptr<IEnumVARIANT> e = unk.As<IEnumVARIANT>(IID_IEnumVARIANT);
  ASSERT_TRUE(e);
  int seen = 0;
  VARIANT item;
  ULONG got = 0;
  while (e->Next(1, &item, &got) == S_OK) {
    EXPECT_EQ(item.vt, VT_DISPATCH);
    VariantClear(&item);
    ++seen;
  }
  EXPECT_EQ(seen, 3);
  EXPECT_HRESULT_SUCCEEDED(keys->Remove(*Var::Str(L"K1").get()));
  EXPECT_HRESULT_SUCCEEDED(keys->Remove(*Var::Long(1).get()));
  EXPECT_EQ(kz::ErrorNumberOf(keys->Remove(*Var::Long(5).get())), 9);
  EXPECT_EQ(kz::ErrorNumberOf(keys->Remove(*Var::Str(L"k1").get())), 5);
  keys->get_Count(&n);
  EXPECT_EQ(n, 1);
  EXPECT_HRESULT_SUCCEEDED(keys->Clear());
  keys->get_Count(&n);
  EXPECT_EQ(n, 0);
  SysFreeString(name);
  SysFreeString(key);
  SysFreeString(empty);
}

TEST_F(EnumTest, ValuesCollectionRemoveClearAndItemErrors) {
  scratch_.Set(L"a", REG_SZ, std::string("1", 2));
  scratch_.Set(L"b", REG_SZ, std::string("2", 2));
  Ptr<_clsKelzudRegHand1ValuesA> values = Values();
  long n = 0;
  EXPECT_HRESULT_SUCCEEDED(values->Remove(*Var::Str(L"A").get()));
  values->get_Count(&n);
  EXPECT_EQ(n, 2);
  _clsKelzudRegHand1ValueA* none = nullptr;
  EXPECT_EQ(kz::ErrorNumberOf(values->get_Item(*Var::Str(L"a").get(), &none)), 5);
  EXPECT_EQ(kz::ErrorNumberOf(values->get_Item(*Var::Long(0).get(), &none)), 9);
  EXPECT_HRESULT_SUCCEEDED(values->Clear());
  values->get_Count(&n);
  EXPECT_EQ(n, 0);
  // The default member is Item.
  values = Values();
  Var first;
  VARIANT arg = *Var::Long(1).get();
  DISPPARAMS dp{&arg, nullptr, 1, 0};
  ASSERT_HRESULT_SUCCEEDED(values->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &dp,
                                          first.get(), nullptr, nullptr));
  ASSERT_EQ(first.vt(), VT_DISPATCH);
  EXPECT_EQ(kz::GetProp(first.get()->pdispVal, L"Default").get()->boolVal, VARIANT_TRUE);
}

// ---- the value object's rules ----------------------------------------------------------------

TEST_F(EnumTest, AssigningAnEnumeratedValueWritesUnlessAutoSetIsOff) {
  scratch_.Set(L"v", REG_SZ, std::string("old", 4));
  Ptr<_clsKelzudRegHand1ValuesA> values = Values();
  Ptr<IDispatch> v = ItemOf(values.get(), Var::Str(L"v"));
  kz::PutProp(v.get(), L"Value", Var::Str(L"new"));
  DWORD t;
  std::string raw;
  ASSERT_TRUE(scratch_.Get(L"v", &t, &raw));
  EXPECT_EQ(raw, std::string("new", 4));
  kz::PutProp(v.get(), L"AutoSet", Var::Bool(false));
  kz::PutProp(v.get(), L"Value", Var::Long(1000));
  ASSERT_TRUE(scratch_.Get(L"v", &t, &raw));
  EXPECT_EQ(raw, std::string("new", 4));
  EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"Value").get()), 1000);
  // SetValue writes on request; GetValue reads again.
  kz::CallByName(v.get(), L"SetValue", DISPATCH_METHOD, std::vector<Var>{});
  ASSERT_TRUE(scratch_.Get(L"v", &t, &raw));
  EXPECT_EQ(t, static_cast<DWORD>(REG_DWORD));
  scratch_.Set(L"v", REG_SZ, std::string("outside", 8));
  EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"Value").get()), 1000);
  kz::CallByName(v.get(), L"GetValue", DISPATCH_METHOD, std::vector<Var>{});
  EXPECT_EQ(PropText(v.get(), L"Value"), L"outside");
  EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"Size").get()), 7);
  // Clear empties the data but keeps the size, and the object stays loaded.
  kz::CallByName(v.get(), L"Clear", DISPATCH_METHOD, std::vector<Var>{});
  EXPECT_EQ(kz::GetProp(v.get(), L"Value").vt(), VT_EMPTY);
  EXPECT_EQ(kz::VarToLong(kz::GetProp(v.get(), L"Size").get()), 7);
  kz::PutProp(v.get(), L"AutoSet", Var::Bool(true));
  EXPECT_EQ(kz::GetProp(v.get(), L"Value").vt(), VT_EMPTY);
}

TEST_F(EnumTest, AValueObjectReadsWhenItKnowsWhereItIs) {
  scratch_.Set(L"", REG_SZ, std::string("dflt", 5));
  scratch_.Set(L"named", REG_SZ, std::string("data", 5));
  auto fresh = [] { return Ptr<RegistryValue>::Adopt(kz::MakeObject<RegistryValue>()); };

  // Named: key, then registry object -> read.
  Ptr<RegistryValue> v = fresh();
  v->set_value_name(L"named");
  v->set_parent_key(key_);
  EXPECT_FALSE(v->loaded());
  v->set_registry(reg_);
  EXPECT_TRUE(v->loaded());
  EXPECT_EQ(TextOf(v->value()), L"data");
  EXPECT_EQ(v->size(), 4);

  // Registry object first, then the key -> read.
  v = fresh();
  v->set_value_name(L"named");
  v->set_registry(reg_);
  EXPECT_FALSE(v->loaded());  // no key yet
  v->set_parent_key(key_);
  EXPECT_TRUE(v->loaded());

  // Unnamed and not the default: never reads on placement, reads once Default is set.
  v = fresh();
  v->set_parent_key(key_);
  v->set_registry(reg_);
  EXPECT_FALSE(v->loaded());
  v->set_default(true);
  EXPECT_TRUE(v->loaded());
  EXPECT_EQ(TextOf(v->value()), L"dflt");

  // Named but marked as the default: placement does not read.
  v = fresh();
  v->set_value_name(L"named");
  v->set_default(true);
  v->set_parent_key(key_);
  v->set_registry(reg_);
  EXPECT_FALSE(v->loaded());

  // AutoSet off: nothing reads until it is switched on again, or GetValue is called.
  v = fresh();
  v->set_auto_set(false);
  v->set_value_name(L"named");
  v->set_parent_key(key_);
  v->set_registry(reg_);
  EXPECT_FALSE(v->loaded());
  EXPECT_EQ(v->value().vt(), VT_EMPTY);
  EXPECT_FALSE(v->loaded());
  v->set_auto_set(true);
  EXPECT_TRUE(v->loaded());
  EXPECT_EQ(TextOf(v->value()), L"data");

  // A new name that differs only in case is not a new name.
  scratch_.Set(L"NAMED", REG_SZ, std::string("changed", 8));
  v->set_value_name(L"NAMED");
  EXPECT_EQ(TextOf(v->value()), L"data");
  EXPECT_EQ(v->value_name(), L"named");

  // Without a registry object there is nothing to read or write.
  v = fresh();
  EXPECT_EQ(v->value().vt(), VT_EMPTY);
  v->set_value(*Var::Str(L"kept").get());
  EXPECT_EQ(TextOf(v->value()), L"kept");
}

// ---- lifetimes -------------------------------------------------------------------------------

TEST_F(EnumTest, ItemsKeepTheRegistryObjectAliveAndNothingLeaks) {
  MakeTree(scratch_);
  scratch_.Set(L"v", REG_SZ, std::string("x", 2));
  long before = kz::ModuleCount();
  {
    Ptr<RegistryObject> r = NewRegistryObject();
    Ptr<_clsKelzudRegHand1ValuesA> values;
    r->EnumValues(static_cast<StandardRegistryKeys>(key_), 0, 0, 0, values.out());
    Ptr<IDispatch> v = ItemOf(values.get(), Var::Str(L"v"));
    Ptr<_clsKelzudRegHand1KeysA> keys;
    r->enumKeys(static_cast<StandardRegistryKeys>(key_), 0, 0, 0, keys.out());
    Ptr<IDispatch> k = ItemOf(keys.get(), 1);
    r.reset();
    values.reset();
    keys.reset();
    // The value still writes through its registry object; its collection is gone.
    kz::PutProp(v.get(), L"Value", Var::Str(L"after"));
    DWORD t;
    std::string raw;
    ASSERT_TRUE(scratch_.Get(L"v", &t, &raw));
    EXPECT_EQ(raw, std::string("after", 6));
    EXPECT_EQ(kz::GetProp(v.get(), L"Parent").get()->pdispVal, nullptr);
    EXPECT_EQ(kz::GetProp(k.get(), L"Parent").get()->pdispVal, nullptr);
    EXPECT_FALSE(PropText(k.get(), L"KeyName").empty());
  }
  EXPECT_EQ(kz::ModuleCount(), before);
}

TEST_F(EnumTest, DroppingEverythingInTheMiddleOfAnEnumerationLeaksNothing) {
  MakeTree(scratch_);
  for (int i = 0; i < 5; ++i) scratch_.Set(L"v" + std::to_wstring(i), REG_DWORD, Bytes({i, 0, 0, 0}));
  long before = kz::ModuleCount();
  {
    Ptr<RegistryObject> r = NewRegistryObject();
    Ptr<Recorder> sink = NewRecorder();
    Connection c(r->itf(), sink.get());
    // The handler takes the collection being filled from the value, then lets go of it and
    // of the client's only reference to the registry object.
    sink->on_call = [&](const Notice& call, EXCEPINFO*) {
      if (sink->calls.size() == 2) {
        Var parent = kz::GetProp(call.args[0].get()->pdispVal, L"Parent");
        EXPECT_EQ(parent.vt(), VT_DISPATCH);
        EXPECT_NE(parent.get()->pdispVal, nullptr);
        r.reset();
      }
      return S_OK;
    };
    _clsKelzudRegHand1A* itf = r->itf();
    Ptr<_clsKelzudRegHand1ValuesA> values;
    ASSERT_HRESULT_SUCCEEDED(itf->EnumValues(static_cast<StandardRegistryKeys>(key_), VARIANT_TRUE, 0, 0, values.out()));
    long n = 0;
    values->get_Count(&n);
    EXPECT_EQ(n, 6);
    // For Each, with the collection dropped half-way.
    Ptr<IUnknown> unk;
    values->NewEnum(unk.out());
    Ptr<IEnumVARIANT> e = unk.As<IEnumVARIANT>(IID_IEnumVARIANT);
    VARIANT item;
    ULONG got = 0;
    int seen = 0;
    while (e->Next(1, &item, &got) == S_OK) {
      if (++seen == 2) values.reset();
      EXPECT_EQ(item.vt, VT_DISPATCH);
      VariantClear(&item);
    }
    EXPECT_EQ(seen, 6);
    sink->calls.clear();  // the recorded events hold value objects
  }
  EXPECT_EQ(kz::ModuleCount(), before);
}

TEST_F(EnumTest, RoundsOfOpenEnumerateCloseLeakNoHandle) {
  MakeTree(scratch_);
  for (int i = 0; i < 10; ++i) scratch_.Set(L"v" + std::to_wstring(i), REG_SZ, std::string("x", 2));
  auto round = [&](int i) {
    Ptr<RegistryObject> r = NewRegistryObject();
    long h = r->Open(kHkcu, scratch_.path(), true, i % 2 ? L"" : L"named");
    ASSERT_NE(h, -1);
    Ptr<_clsKelzudRegHand1KeysA> keys;
    r->enumKeys(static_cast<StandardRegistryKeys>(h), 0, 0, 0, keys.out());
    Ptr<_clsKelzudRegHand1KeyA> k;
    r->GetKeyObject(h, VARIANT_TRUE, k.out());
    if (i % 3) r->CloseHandle(h);  // the rest are closed when the object goes
  };
  round(0);  // first-use allocations are not leaks
  unsigned long handles_before = OpenHandleCount();
  ASSERT_GT(handles_before, 0u);
  long objects_before = kz::ModuleCount();
  // Counts are compared exactly, so one handle or object left by any round shows: twelve rounds
  // take every combination of the named/unnamed and closed/left-open cases twice.
  for (int i = 1; i <= 12; ++i) round(i);
  EXPECT_EQ(OpenHandleCount(), handles_before);
  EXPECT_EQ(kz::ModuleCount(), objects_before);
}
