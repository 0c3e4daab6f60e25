// Restore points through a stand-in management service: the monikers, members and arguments
// the class uses, the list's text, and the one information box for any failure.
#include <string>
#include <vector>

#include "base/seam.h"
#include "com/collection.h"
#include "com/ptr.h"
#include "sysadmin/clsKelzudSystemRestoreA.h"
#include "standins.h"
#include "testkit.h"

namespace {

using kz::KelzudSystemRestoreA;
using kz::Ptr;
using kz::Var;
using kzt::FakeManagement;
using kzt::Held;
using kzt::Scripted;

Var Date(const wchar_t* text) { return Var::Str(text); }

Scripted* Point(Var number, Var description, Var created) {
  return Scripted::New()->Value(L"SequenceNumber", number)->Value(L"Description", description)
      ->Value(L"CreationTime", created);
}

// The namespace object of the list moniker, whose InstancesOf answers with `set`.
Scripted* Namespace(Scripted* set) {
  return Scripted::New()->On(L"InstancesOf", [set](std::vector<VARIANT*>&, VARIANT* r) {
    r->vt = VT_DISPATCH;
    r->pdispVal = set;
    set->AddRef();
    return S_OK;
  });
}

Ptr<_clsKelzudSystemRestoreA> NewRestore() {
  return Ptr<_clsKelzudSystemRestoreA>::Adopt(kz::MakeObject<KelzudSystemRestoreA>());
}

std::vector<std::wstring> Texts(_KzCollection* c) {
  std::vector<std::wstring> out;
  long n = 0;
  c->Count(&n);
  for (long i = 1; i <= n; ++i) {
    Var index = Var::Long(i), item;
    c->Item(index.get(), item.get());
    out.push_back(kz::VarToStr(item.get()));
  }
  return out;
}

TEST(SystemRestore, MonikersAreTheExactTexts) {
  EXPECT_STREQ(KelzudSystemRestoreA::kListMoniker, L"winmgmts:\\\\.\\root\\default");
  EXPECT_STREQ(KelzudSystemRestoreA::kRollBackMoniker, L"winmgmts:\\\\.\\root\\Default:SystemRestore");
  EXPECT_STREQ(KelzudSystemRestoreA::kCreateMoniker, L"winmgmts:\\\\.\\root\\default:Systemrestore");
  EXPECT_STREQ(KelzudSystemRestoreA::kMonitorMoniker, L"winmgmts:\\\\.\\root\\default:SystemRestore");
}

TEST(SystemRestore, ListsEachPointAsNumberDescriptionAndTimeInTheServicesOrder) {
  kzt::UnattendedLog boxes;
  Held p1(Point(Var::Long(12), Var::Str(L"Installed Kelzud"), Date(L"20240105123000.000000-000")));
  Held p2(Point(Var::Long(3), Var(), Date(L"20230101080000.000000-000")));  // an Empty description
  Var null_text;
  null_text.get()->vt = VT_NULL;
  Held p3(Point(Var::Str(L"40"), null_text, Date(L"")));
  Held set(Scripted::New()->Items({p1.AsVar(), p2.AsVar(), p3.AsVar()}));
  Held ns(Namespace(set.get()));
  FakeManagement wmi;
  wmi.Serve(KelzudSystemRestoreA::kListMoniker, ns.get());
  kz::ScopedSeam<kz::ManagementObjects> use(wmi);

  Ptr<_KzCollection> list;
  ASSERT_HRESULT_SUCCEEDED(NewRestore()->EnumerateAllRestorePoints(list.out()));
  ASSERT_TRUE(list);
  EXPECT_EQ(Texts(list.get()), (std::vector<std::wstring>{L"12^Installed Kelzud^20240105123000.000000-000",
                                                          L"3^^20230101080000.000000-000", L"40^^"}));
  EXPECT_EQ(wmi.asked, std::vector<std::wstring>{KelzudSystemRestoreA::kListMoniker});
  ASSERT_EQ(ns->calls().size(), 1u);
  EXPECT_EQ(ns->calls()[0].name, L"InstancesOf");
  ASSERT_EQ(ns->calls()[0].args.size(), 1u);
  EXPECT_EQ(kz::VarToStr(ns->calls()[0].args[0].get()), L"systemrestore");
  std::vector<std::wstring> asked;
  for (const auto& c : p1->calls()) asked.push_back(c.name);
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"sequencenumber", L"Description", L"creationtime"}));
  EXPECT_TRUE(boxes.Records().empty());
  // The entries carry no keys: a key look-up finds nothing.
  Var key = Var::Str(L"12"), item;
  EXPECT_FALSE(SUCCEEDED(list->Item(key.get(), item.get())));
}

TEST(SystemRestore, NoRestorePointsGiveAnEmptyCollection) {
  kzt::UnattendedLog boxes;
  Held set(Scripted::New()->Items({}));
  Held ns(Namespace(set.get()));
  FakeManagement wmi;
  wmi.Serve(KelzudSystemRestoreA::kListMoniker, ns.get());
  kz::ScopedSeam<kz::ManagementObjects> use(wmi);
  Ptr<_KzCollection> list;
  ASSERT_HRESULT_SUCCEEDED(NewRestore()->EnumerateAllRestorePoints(list.out()));
  ASSERT_TRUE(list);
  long n = -1;
  list->Count(&n);
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(boxes.Records().empty());
}

// Each way the list can fail ends in one information box and the empty reference.
TEST(SystemRestore, AFailingListShowsOneBoxAndReturnsNothing) {
  struct Case {
    const char* what;
    bool serve_namespace;
    bool with_time;
    const wchar_t* record;
  } cases[] = {
      {"the moniker cannot be resolved", false, true, L"64\t-2147217406\tNot found"},
      {"an instance lacks a property", true, false, L"64\t438\tObject doesn't support this property or method"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kzt::UnattendedLog boxes;
    Held point(c.with_time ? Point(Var::Long(1), Var::Str(L"a"), Var::Str(L"t"))
                           : Scripted::New()->Value(L"sequencenumber", Var::Long(1))->Value(L"Description", Var::Str(L"a")));
    Held set(Scripted::New()->Items({point.AsVar()}));
    Held ns(Namespace(set.get()));
    FakeManagement wmi;
    if (c.serve_namespace) wmi.Serve(KelzudSystemRestoreA::kListMoniker, ns.get());
    kz::ScopedSeam<kz::ManagementObjects> use(wmi);
    _KzCollection* list = reinterpret_cast<_KzCollection*>(1);
    EXPECT_HRESULT_SUCCEEDED(NewRestore()->EnumerateAllRestorePoints(&list));
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(boxes.Records(), std::vector<std::wstring>{c.record});
  }
}

TEST(SystemRestore, RollsBackThroughRestoreWithTheNumberGiven) {
  kzt::UnattendedLog boxes;
  Held restore(Scripted::New()->On(L"Restore", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; }));
  FakeManagement wmi;
  wmi.Serve(KelzudSystemRestoreA::kRollBackMoniker, restore.get());
  kz::ScopedSeam<kz::ManagementObjects> use(wmi);
  Var number = Var::Long(42), ret = Var::Str(L"stale");
  ASSERT_HRESULT_SUCCEEDED(NewRestore()->RollBackToSpecificRestorePoint(number.get(), ret.get()));
  EXPECT_EQ(ret.vt(), VT_EMPTY);
  EXPECT_EQ(wmi.asked, std::vector<std::wstring>{KelzudSystemRestoreA::kRollBackMoniker});
  ASSERT_EQ(restore->calls().size(), 1u);
  EXPECT_EQ(restore->calls()[0].name, L"Restore");
  ASSERT_EQ(restore->calls()[0].args.size(), 1u);
  EXPECT_EQ(restore->calls()[0].args[0].vt(), VT_I4);
  EXPECT_EQ(restore->calls()[0].args[0].get()->lVal, 42);
  EXPECT_TRUE(boxes.Records().empty());
}

TEST(SystemRestore, CreatesAnApplicationInstallPointAtTheBeginningOfAChange) {
  kzt::UnattendedLog boxes;
  Held restore(Scripted::New()->On(L"CreateRestorePoint", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; }));
  FakeManagement wmi;
  wmi.Serve(KelzudSystemRestoreA::kCreateMoniker, restore.get());
  kz::ScopedSeam<kz::ManagementObjects> use(wmi);
  kz::Bstr text(SysAllocString(L"Before Kelzud setup"));
  BSTR b = text.get();
  Var ret;
  ASSERT_HRESULT_SUCCEEDED(NewRestore()->CreateSpecificRestorePoint(&b, ret.get()));
  EXPECT_EQ(ret.vt(), VT_EMPTY);
  EXPECT_EQ(wmi.asked, std::vector<std::wstring>{KelzudSystemRestoreA::kCreateMoniker});
  ASSERT_EQ(restore->calls().size(), 1u);
  const auto& call = restore->calls()[0];
  EXPECT_EQ(call.name, L"CreateRestorePoint");
  ASSERT_EQ(call.args.size(), 3u);
  EXPECT_EQ(kz::VarToStr(call.args[0].get()), L"Before Kelzud setup");
  EXPECT_EQ(kz::VarToLong(call.args[1].get()), 0);
  EXPECT_EQ(kz::VarToLong(call.args[2].get()), 100);
  EXPECT_TRUE(boxes.Records().empty());
}

TEST(SystemRestore, ARefusedCallShowsTheServicesDescriptionAndReturnsEmpty) {
  kzt::UnattendedLog boxes;
  const HRESULT kAccessDenied = static_cast<HRESULT>(0x80041003);
  Held restore(Scripted::New()->On(L"Restore", [&](std::vector<VARIANT*>&, VARIANT*) { return kAccessDenied; }));
  FakeManagement wmi;
  wmi.Serve(KelzudSystemRestoreA::kRollBackMoniker, restore.get());
  kz::ScopedSeam<kz::ManagementObjects> use(wmi);
  Var number = Var::Long(7), ret;
  ASSERT_HRESULT_SUCCEEDED(NewRestore()->RollBackToSpecificRestorePoint(number.get(), ret.get()));
  EXPECT_EQ(ret.vt(), VT_EMPTY);
  EXPECT_EQ(boxes.Records(), std::vector<std::wstring>{L"64\t-2147217405\tRefused: Restore"});
  // Creating fails when the moniker is unknown to the service: one box, nothing raised.
  FakeManagement empty;
  kz::ScopedSeam<kz::ManagementObjects> none(empty);
  kz::Bstr text(SysAllocString(L"x"));
  BSTR b = text.get();
  ASSERT_HRESULT_SUCCEEDED(NewRestore()->CreateSpecificRestorePoint(&b, ret.get()));
  EXPECT_EQ(boxes.Records().size(), 2u);
}

TEST(SystemRestore, MonitoringSwitchesPerDriveWithATrailingBackslash) {
  struct Case {
    const wchar_t* drive;
    VARIANT_BOOL enable;
    const wchar_t* member;  // null: nothing called
    const wchar_t* passed;
  } cases[] = {
      {L"C:", VARIANT_TRUE, L"enable", L"C:\\"},
      {L"D:\\", VARIANT_FALSE, L"disable", L"D:\\"},
      {L"E:", 1, nullptr, L"E:\\"},  // neither true nor false
      {L"", VARIANT_TRUE, L"enable", L"\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.drive));
    kzt::UnattendedLog boxes;
    auto ok = [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; };
    Held restore(Scripted::New()->On(L"enable", ok)->On(L"disable", ok));
    FakeManagement wmi;
    wmi.Serve(KelzudSystemRestoreA::kMonitorMoniker, restore.get());
    kz::ScopedSeam<kz::ManagementObjects> use(wmi);
    BSTR drive = SysAllocString(c.drive);
    VARIANT_BOOL enable = c.enable;
    Var ret;
    ASSERT_HRESULT_SUCCEEDED(NewRestore()->EnableDisableRestorePointonDrive(&drive, &enable, ret.get()));
    EXPECT_EQ(kz::FromBstr(drive), c.passed);  // the caller's variable gets the backslash
    SysFreeString(drive);
    EXPECT_EQ(ret.vt(), VT_EMPTY);
    if (!c.member) {
      EXPECT_TRUE(restore->calls().empty());
      EXPECT_TRUE(wmi.asked.empty());
    } else {
      EXPECT_EQ(wmi.asked, std::vector<std::wstring>{KelzudSystemRestoreA::kMonitorMoniker});
      ASSERT_EQ(restore->calls().size(), 1u);
      EXPECT_EQ(restore->calls()[0].name, c.member);
      ASSERT_EQ(restore->calls()[0].args.size(), 1u);
      EXPECT_EQ(kz::VarToStr(restore->calls()[0].args[0].get()), c.passed);
    }
    EXPECT_TRUE(boxes.Records().empty());
  }
}

TEST(SystemRestore, LeftOutEnableFlagEnablesThroughLateBinding) {
  kzt::UnattendedLog boxes;
  auto ok = [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; };
  Held restore(Scripted::New()->On(L"enable", ok)->On(L"disable", ok));
  FakeManagement wmi;
  wmi.Serve(KelzudSystemRestoreA::kMonitorMoniker, restore.get());
  kz::ScopedSeam<kz::ManagementObjects> use(wmi);
  Ptr<_clsKelzudSystemRestoreA> r = NewRestore();
  Var drive = Var::Str(L"F:");
  kzt::CallResult res = kzt::Call(r.get(), L"EnableDisableRestorePointonDrive", {drive.get()});
  EXPECT_EQ(res.error, 0);
  EXPECT_EQ(res.value.vt(), VT_EMPTY);
  EXPECT_EQ(kz::VarToStr(drive.get()), L"F:\\");
  ASSERT_EQ(restore->calls().size(), 1u);
  EXPECT_EQ(restore->calls()[0].name, L"enable");
}

}  // namespace

namespace {

// A service whose binding fails with an HRESULT and leaves no description of its own.
struct FailingManagement : kz::ManagementObjects {
  HRESULT hr;
  explicit FailingManagement(HRESULT h) : hr(h) {}
  IDispatch* ObjectOf(const std::wstring&) override {
    SetErrorInfo(0, nullptr);
    throw kz::Error::FromHresult(hr);
  }
};

std::wstring SystemText(DWORD id) {
  wchar_t buf[1024] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, id, 0, buf, 1024, nullptr);
  std::wstring t(buf, n);
  while (!t.empty() && (t.back() == L'\r' || t.back() == L'\n' || t.back() == L' ')) t.pop_back();
  return t;
}

}  // namespace

// A failure that carries only an HRESULT shows the system's text for it, not a generic one.
TEST(SystemRestore, AFailureWithOnlyAnHresultShowsTheSystemsText) {
  struct Case {
    HRESULT hr;
    DWORD message;  // the system message that describes it
  } cases[] = {
      {E_NOTIMPL, static_cast<DWORD>(E_NOTIMPL)},
      {E_FAIL, static_cast<DWORD>(E_FAIL)},
      {E_ACCESSDENIED, static_cast<DWORD>(E_ACCESSDENIED)},
      {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), RPC_S_SERVER_UNAVAILABLE},
  };
  for (const Case& c : cases) {
    const std::wstring text = SystemText(c.message);
    ASSERT_FALSE(text.empty()) << std::hex << c.hr << ": the system has no text for it";
    kzt::UnattendedLog boxes;
    FailingManagement wmi(c.hr);
    kz::ScopedSeam<kz::ManagementObjects> use(wmi);
    _KzCollection* list = reinterpret_cast<_KzCollection*>(1);
    EXPECT_HRESULT_SUCCEEDED(NewRestore()->EnumerateAllRestorePoints(&list));
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(boxes.Records(), std::vector<std::wstring>{L"64\t" + std::to_wstring(static_cast<long>(c.hr)) + L"\t" + text});
  }
}
