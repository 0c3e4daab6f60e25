// Network domains through a stand-in enumeration (Wine has no network provider), the adapter
// address through a stand-in NetBIOS and through Wine's own.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/owner.h"
#include "base/seam.h"
#include "com/ptr.h"
#include "platform/netbios.h"
#include "platform/netresources.h"
#include "sysadmin/clsKelzudEthernetAddressA.h"
#include "sysadmin/clsKelzudWNetwA.h"
#include "standins.h"
#include "testkit.h"

#include <iphlpapi.h>

namespace {

using kz::Ptr;
using kz::Var;

// Enumeration as the platform gives it: the top lists the providers, an enumeration started
// at a provider's record lists its domains. Records and their texts are written into the
// caller's buffer, as the platform writes them.
class FakeNetwork : public kz::NetworkResources {
 public:
  struct Open {
    DWORD scope, type, usage;
    bool from_top;
    std::string start_remote, start_provider;
    const void* start_address;
  };
  struct Enum {
    DWORD count, size;
    void* buffer;
  };
  std::vector<const char*> providers{"Microsoft Windows Network"};
  std::vector<const char*> domains{"WORKGROUP", "SALES", nullptr};
  DWORD open_status = NO_ERROR;
  std::vector<Open> opens;
  std::vector<Enum> enums;
  std::vector<HANDLE> closed;

  DWORD OpenEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* start, HANDLE* h) override {
    Open o{scope, type, usage, start == nullptr, "", "", start};
    if (start) {
      o.start_remote = start->lpRemoteName ? start->lpRemoteName : "";
      o.start_provider = start->lpProvider ? start->lpProvider : "";
    }
    opens.push_back(o);
    if (open_status != NO_ERROR) return open_status;
    *h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x100 + opens.size()));
    return NO_ERROR;
  }
  DWORD EnumResource(HANDLE h, DWORD* count, void* buffer, DWORD* size) override {
    enums.push_back({*count, *size, buffer});
    const auto& names = (h == reinterpret_cast<HANDLE>(0x101)) ? providers : domains;
    if (names.empty()) return ERROR_NO_MORE_ITEMS;
    auto* records = static_cast<NETRESOURCEA*>(buffer);
    char* text = static_cast<char*>(buffer) + *size;  // texts fill the buffer from its end
    for (size_t i = 0; i < names.size(); ++i) {
      NETRESOURCEA& r = records[i];
      std::memset(&r, 0, sizeof r);
      r.dwScope = RESOURCE_GLOBALNET;
      r.dwUsage = RESOURCEUSAGE_CONTAINER;
      if (names[i]) {
        size_t n = std::strlen(names[i]) + 1;
        text -= n;
        std::memcpy(text, names[i], n);
        r.lpRemoteName = text;
      }
      r.lpProvider = const_cast<char*>("Microsoft Windows Network");
    }
    *count = static_cast<DWORD>(names.size());
    return NO_ERROR;
  }
  DWORD CloseEnum(HANDLE h) override {
    closed.push_back(h);
    return NO_ERROR;
  }
};

std::vector<std::wstring> ArrayTexts(const VARIANT& v, LONG* lower, LONG* upper) {
  std::vector<std::wstring> out;
  EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
  if (v.vt != (VT_ARRAY | VT_BSTR)) return out;
  SafeArrayGetLBound(v.parray, 1, lower);
  SafeArrayGetUBound(v.parray, 1, upper);
  for (LONG i = *lower; i <= *upper; ++i) {
    BSTR b = nullptr;
    SafeArrayGetElement(v.parray, &i, &b);
    out.push_back(kz::FromBstr(b));
    SysFreeString(b);
  }
  return out;
}

Ptr<_clsKelzudWNetwA> NewWNet() { return Ptr<_clsKelzudWNetwA>::Adopt(kz::MakeObject<kz::KelzudWNetwA>()); }

TEST(WNetw, ListsTheDomainsOfTheFirstProvider) {
  FakeNetwork net;
  kz::ScopedSeam<kz::NetworkResources> use(net);
  Var list;
  ASSERT_HRESULT_SUCCEEDED(NewWNet()->EnumDomains(list.get()));
  LONG lo = 0, hi = 0;
  EXPECT_EQ(ArrayTexts(*list.get(), &lo, &hi), (std::vector<std::wstring>{L"WORKGROUP", L"SALES", L""}));
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 3);
  // Whole network, any type, any usage; from the top, then from the first record read.
  ASSERT_EQ(net.opens.size(), 2u);
  for (const auto& o : net.opens) {
    EXPECT_EQ(o.scope, 2u);
    EXPECT_EQ(o.type, 0u);
    EXPECT_EQ(o.usage, 0u);
  }
  EXPECT_TRUE(net.opens[0].from_top);
  EXPECT_FALSE(net.opens[1].from_top);
  EXPECT_EQ(net.opens[1].start_address, net.enums[0].buffer);  // the buffer's first record
  EXPECT_EQ(net.opens[1].start_remote, "Microsoft Windows Network");
  ASSERT_EQ(net.enums.size(), 2u);
  for (const auto& e : net.enums) {
    EXPECT_EQ(e.count, 0xFFFFFFFFu);  // as many as fit
    EXPECT_EQ(e.size, 256 * sizeof(NETRESOURCEA));
  }
  EXPECT_EQ(net.closed, (std::vector<HANDLE>{reinterpret_cast<HANDLE>(0x101), reinterpret_cast<HANDLE>(0x102)}));
}

TEST(WNetw, NothingToListGivesAnArrayWithoutElements) {
  struct Case {
    const char* what;
    DWORD open_status;
    bool no_providers, no_domains;
    size_t opens;
  } cases[] = {
      {"no network", ERROR_NO_NETWORK, false, false, 1},
      {"no provider", NO_ERROR, true, false, 1},  // nothing to start the second enumeration from
      {"a provider without domains", NO_ERROR, false, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeNetwork net;
    net.open_status = c.open_status;
    if (c.no_providers) net.providers.clear();
    if (c.no_domains) net.domains.clear();
    kz::ScopedSeam<kz::NetworkResources> use(net);
    Var list;
    ASSERT_HRESULT_SUCCEEDED(NewWNet()->EnumDomains(list.get()));
    LONG lo = 0, hi = -7;
    EXPECT_TRUE(ArrayTexts(*list.get(), &lo, &hi).empty());
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(net.opens.size(), c.opens);
    EXPECT_EQ(net.closed.size(), c.open_status == NO_ERROR ? c.opens : 0u);
  }
}

TEST(WNetw, GetDomainsAddsEachNameToTheListInOrder) {
  FakeNetwork net;
  kz::ScopedSeam<kz::NetworkResources> use(net);
  kzt::Held lst(kzt::Scripted::New()->On(L"AddItem", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; }));
  IDispatch* d = lst.get();
  ASSERT_HRESULT_SUCCEEDED(NewWNet()->GetDomains(&d));
  std::vector<std::wstring> added;
  for (const auto& c : lst->calls()) {
    EXPECT_EQ(c.name, L"AddItem");
    ASSERT_EQ(c.args.size(), 1u);
    added.push_back(kz::VarToStr(c.args[0].get()));
  }
  EXPECT_EQ(added, (std::vector<std::wstring>{L"WORKGROUP", L"SALES", L""}));
  // Without a list control the first name cannot be added.
  d = nullptr;
  EXPECT_EQ(NewWNet()->GetDomains(&d), static_cast<HRESULT>(0x800A005B));  // 91
}

TEST(WNetw, AnEmptyResultAddsNothingAndRaisesNothing) {
  FakeNetwork net;
  net.open_status = ERROR_NO_NETWORK;
  kz::ScopedSeam<kz::NetworkResources> use(net);
  kzt::Held lst(kzt::Scripted::New()->On(L"AddItem", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; }));
  IDispatch* d = lst.get();
  EXPECT_HRESULT_SUCCEEDED(NewWNet()->GetDomains(&d));
  EXPECT_TRUE(lst->calls().empty());
  d = nullptr;
  EXPECT_HRESULT_SUCCEEDED(NewWNet()->GetDomains(&d));
}

// Wine has no network provider: the real enumeration lists nothing.
TEST(WNetw, WinesNetworkListsNoDomains) {
  Var list;
  ASSERT_HRESULT_SUCCEEDED(NewWNet()->EnumDomains(list.get()));
  LONG lo = 0, hi = -7;
  EXPECT_TRUE(ArrayTexts(*list.get(), &lo, &hi).empty());
  EXPECT_EQ(hi, 0);
}

// --- the adapter address ---------------------------------------------------------------------

class FakeNetBios : public kz::NetBiosService {
 public:
  struct Request {
    NCB ncb;
    std::vector<unsigned char> buffer_at_submit;
  };
  std::vector<unsigned char> status;  // what the adapter answers (copied into the buffer)
  std::vector<Request> requests;
  unsigned char Submit(NCB* ncb) override {
    Request r{*ncb, {}};
    if (ncb->ncb_buffer) r.buffer_at_submit.assign(ncb->ncb_buffer, ncb->ncb_buffer + ncb->ncb_length);
    requests.push_back(r);
    if (ncb->ncb_command == NCBASTAT && !status.empty())
      std::memcpy(ncb->ncb_buffer, status.data(), std::min<size_t>(status.size(), ncb->ncb_length));
    return status.empty() ? NRC_BRIDGE : NRC_GOODRET;
  }
};

std::vector<unsigned char> AdapterStatus() {
  std::vector<unsigned char> s(60, 0);
  const unsigned char address[] = {0x00, 0x0C, 0x29, 0xAB, 0x12, 0xCD};
  std::memcpy(s.data(), address, 6);
  s[6] = 3;     // major revision
  s[8] = 0xFE;  // adapter type
  s[9] = 2;     // minor revision
  s[58] = 0x02;  // name count 0x0102
  s[59] = 0x01;
  return s;
}

Var Prop(IDispatch* d, const wchar_t* name) {
  kzt::CallResult r = kzt::Call(d, name, {}, DISPATCH_PROPERTYGET);
  EXPECT_EQ(r.error, 0);
  return r.value;
}

TEST(EthernetAddress, ReadsTheAddressAndStatusFactsOfTheAdapter) {
  FakeNetBios nb;
  nb.status = AdapterStatus();
  kz::ScopedSeam<kz::NetBiosService> use(nb);
  Ptr<_clsKelzudEthernetAddressA> e = Ptr<_clsKelzudEthernetAddressA>::Adopt(kz::MakeObject<kz::KelzudEthernetAddressA>());
  EXPECT_EQ(Prop(e.get(), L"AdapterType").vt(), VT_EMPTY);  // empty at creation
  EXPECT_EQ(Prop(e.get(), L"EnetAddressDec").vt(), VT_EMPTY);
  LONG lana = 0x105;
  kz::Bstr text;
  ASSERT_HRESULT_SUCCEEDED(e->EthernetAddress(&lana, text.out()));
  EXPECT_EQ(kz::FromBstr(text.get()), L"000C29AB12CD");
  EXPECT_EQ(lana, 0x105);

  ASSERT_EQ(nb.requests.size(), 2u);
  NCB reset{};
  reset.ncb_command = NCBRESET;
  EXPECT_EQ(std::memcmp(&nb.requests[0].ncb, &reset, sizeof reset), 0) << "reset with all other fields zero";
  const NCB& ask = nb.requests[1].ncb;
  EXPECT_EQ(ask.ncb_command, NCBASTAT);
  EXPECT_EQ(ask.ncb_lana_num, 5);  // the low byte
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ask.ncb_callname), 16), "*               ");
  EXPECT_EQ(ask.ncb_length, 680);
  EXPECT_EQ(nb.requests[1].buffer_at_submit, std::vector<unsigned char>(680, 0));

  struct Expect {
    const wchar_t* name;
    VARTYPE vt;
    long value;
  } facts[] = {{L"AdapterType", VT_UI1, 254}, {L"NameCount", VT_I2, 258}, {L"RevMajor", VT_UI1, 3}, {L"RevMinor", VT_UI1, 2}};
  for (const Expect& f : facts) {
    Var v = Prop(e.get(), f.name);
    EXPECT_EQ(v.vt(), f.vt) << kz::ToAnsi(f.name);
    EXPECT_EQ(kz::VarToLong(v.get()), f.value) << kz::ToAnsi(f.name);
  }
  Var dec = Prop(e.get(), L"EnetAddressDec");
  EXPECT_EQ(kz::VarToStr(dec.get()), L"0124117118205");

  // A second call appends the decimal texts again.
  ASSERT_HRESULT_SUCCEEDED(e->EthernetAddress(&lana, text.out()));
  dec = Prop(e.get(), L"EnetAddressDec");
  EXPECT_EQ(kz::VarToStr(dec.get()), L"0124117118205" L"0124117118205");
}

TEST(EthernetAddress, PropertiesTakeWhatTheClientLets) {
  FakeNetBios nb;
  nb.status = AdapterStatus();
  kz::ScopedSeam<kz::NetBiosService> use(nb);
  Ptr<_clsKelzudEthernetAddressA> e = Ptr<_clsKelzudEthernetAddressA>::Adopt(kz::MakeObject<kz::KelzudEthernetAddressA>());
  Var five = Var::Long(5), word = Var::Str(L"name");
  ASSERT_HRESULT_SUCCEEDED(e->put_EnetAddressDec(*five.get()));
  ASSERT_HRESULT_SUCCEEDED(e->put_NameCount(*word.get()));
  EXPECT_EQ(kz::VarToStr(Prop(e.get(), L"NameCount").get()), L"name");
  LONG lana = 0;
  kz::Bstr text;
  ASSERT_HRESULT_SUCCEEDED(e->EthernetAddress(&lana, text.out()));
  EXPECT_EQ(kz::VarToStr(Prop(e.get(), L"EnetAddressDec").get()), L"50124117118205");
  Var null_value;
  null_value.get()->vt = VT_NULL;
  ASSERT_HRESULT_SUCCEEDED(e->put_EnetAddressDec(*null_value.get()));
  ASSERT_HRESULT_SUCCEEDED(e->EthernetAddress(&lana, text.out()));
  EXPECT_EQ(kz::VarToStr(Prop(e.get(), L"EnetAddressDec").get()), L"0124117118205");
}

TEST(EthernetAddress, AnAdapterNumberWithoutAnAdapterReadsAsZeros) {
  FakeNetBios nb;  // answers nothing into the buffer
  kz::ScopedSeam<kz::NetBiosService> use(nb);
  kz::KelzudEthernetAddressA* e = kz::MakeObject<kz::KelzudEthernetAddressA>();
  EXPECT_EQ(e->AddressOf(9), L"000000000000");
  Var dec;
  e->get_EnetAddressDec(dec.get());
  EXPECT_EQ(kz::VarToStr(dec.get()), L"000000");
  Var type;
  e->get_AdapterType(type.get());
  EXPECT_EQ(type.vt(), VT_UI1);
  EXPECT_EQ(type.get()->bVal, 0);
  e->Release();
}

// Wine answers NetBIOS adapter status for its first adapter from the same interface table
// that GetAdaptersInfo reads; other adapter numbers have no adapter.
TEST(EthernetAddress, WinesFirstAdapterAnswersWithAnAddressOfThisMachine) {
  kz::KelzudEthernetAddressA* e = kz::MakeObject<kz::KelzudEthernetAddressA>();
  std::wstring first = e->AddressOf(0);
  std::wstring none = e->AddressOf(200);
  e->Release();
  EXPECT_EQ(none, L"000000000000");
  ASSERT_EQ(first.size(), 12u);
  EXPECT_EQ(first.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);

  kz::Module iphlp(LoadLibraryW(L"iphlpapi.dll"));
  using GetInfo = DWORD(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
  auto get = iphlp ? reinterpret_cast<GetInfo>(reinterpret_cast<void*>(GetProcAddress(iphlp.get(), "GetAdaptersInfo")))
                   : nullptr;
  ASSERT_NE(get, nullptr);
  ULONG size = 0;
  get(nullptr, &size);
  std::vector<unsigned char> buf(size ? size : 1);
  std::vector<std::wstring> known;
  if (size && get(reinterpret_cast<PIP_ADAPTER_INFO>(buf.data()), &size) == NO_ERROR) {
    for (auto* a = reinterpret_cast<PIP_ADAPTER_INFO>(buf.data()); a; a = a->Next) {
      wchar_t hex[32] = L"";
      for (UINT i = 0; i < a->AddressLength && i < 6; ++i) swprintf(hex + 2 * i, 3, L"%02X", a->Address[i]);
      known.push_back(hex);
    }
  }
  if (first == L"000000000000") {
    EXPECT_TRUE(known.empty()) << "an adapter is listed, yet NetBIOS gave no address";
  } else {
    EXPECT_NE(std::find(known.begin(), known.end(), first), known.end()) << kz::ToAnsi(first);
  }
}

}  // namespace
