#include "platform/netbios.h"

namespace kz {
namespace {

class PlatformNetBios : public NetBiosService {
 public:
  unsigned char Submit(NCB* ncb) override {
    // netapi32.dll is loaded on first use, as few clients ask for an adapter.
    using Fn = UCHAR(WINAPI*)(PNCB);
    static HMODULE m = LoadLibraryW(L"netapi32.dll");
    static Fn fn = m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, "Netbios"))) : nullptr;
    return fn ? fn(ncb) : static_cast<unsigned char>(NRC_OPENERR);
  }
};

}  // namespace

template <>
NetBiosService& SeamDefault<NetBiosService>() {
  static PlatformNetBios n;
  return n;
}

}  // namespace kz
