#include "sysadmin/clsKelzudWNetwA.h"

#include <vector>

#include "base/text.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "platform/netresources.h"

namespace kz {
namespace {

const DWORD kWholeNetwork = RESOURCE_GLOBALNET;  // 2
const DWORD kAnyType = RESOURCETYPE_ANY;         // 0
const DWORD kAnyUsage = 0;
const DWORD kAsManyAsFit = 0xFFFFFFFF;

// Reads one enumeration (from the top, or below `start`) into `records`; the number read.
DWORD ReadEnumeration(NETRESOURCEA* start, std::vector<NETRESOURCEA>& records) {
  NetworkResources& net = Seam<NetworkResources>();
  HANDLE h = nullptr;
  if (net.OpenEnum(kWholeNetwork, kAnyType, kAnyUsage, start, &h) != NO_ERROR) return 0;
  DWORD count = kAsManyAsFit;
  DWORD size = KelzudWNetwA::kBufferBytes;
  DWORD status = net.EnumResource(h, &count, records.data(), &size);
  net.CloseEnum(h);
  if (status != NO_ERROR || count == kAsManyAsFit) return 0;
  return count < KelzudWNetwA::kBufferRecords ? count : static_cast<DWORD>(KelzudWNetwA::kBufferRecords);
}

std::wstring AnsiAt(const char* p) { return p ? FromAnsi(p, std::char_traits<char>::length(p)) : std::wstring(); }

}  // namespace

std::vector<std::wstring> KelzudWNetwA::Domains() {
  std::vector<NETRESOURCEA> providers(kBufferRecords), domains(kBufferRecords);
  std::vector<std::wstring> names;
  // Without a first provider there is nothing to list below it: an enumeration started from
  // an empty record would list the providers again as if they were domains.
  if (ReadEnumeration(nullptr, providers) == 0) return names;
  DWORD n = ReadEnumeration(&providers[0], domains);
  for (DWORD i = 0; i < n; ++i) names.push_back(AnsiAt(domains[i].lpRemoteName));
  return names;
}

STDMETHODIMP KelzudWNetwA::EnumDomains(VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] {
    SAFEARRAY* sa = MakeBstrArray(Domains(), 1);
    ret->vt = VT_ARRAY | VT_BSTR;
    ret->parray = sa;
  });
}

STDMETHODIMP KelzudWNetwA::GetDomains(IDispatch** lst) {
  return Guard([&] {
    std::vector<std::wstring> names = Domains();
    for (const std::wstring& name : names)
      CallByName(lst ? *lst : nullptr, L"AddItem", DISPATCH_METHOD, std::vector<Var>{Var::Str(name)});
  });
}

KZ_REGISTER_CLASS(KelzudWNetwA);

}  // namespace kz
