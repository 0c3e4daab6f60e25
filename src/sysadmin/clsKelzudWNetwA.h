// The domains (or workgroups) of the first network provider, as a list or into a client's
// list control.
#pragma once
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/comobject.h"

#include <winnetwk.h>

namespace kz {

class KelzudWNetwA : public ComObject<KelzudWNetwA, _clsKelzudWNetwA> {
  KZ_CLASS(clsKelzudWNetwA)
 public:
  STDMETHODIMP GetDomains(IDispatch** lst) override;
  STDMETHODIMP EnumDomains(VARIANT* ret) override;

  // The remote names of the first provider's entries, in the platform's order.
  static std::vector<std::wstring> Domains();
  // Records the enumeration buffer holds beyond those it hands to the platform.
  static const size_t kBufferRecords = 257;
  static const DWORD kBufferBytes = 256 * sizeof(NETRESOURCEA);
};

}  // namespace kz
