// The platform's NetBIOS interface: one network control block (NCB) per request. Tests put a
// stand-in adapter in its place; Wine answers for its first adapter.
#pragma once
#include "base/seam.h"
#include "base/win.h"

#include <nb30.h>

namespace kz {

struct NetBiosService {
  virtual ~NetBiosService() = default;
  // Netbios: carries out the request the block describes and returns its return code.
  virtual unsigned char Submit(NCB* ncb) = 0;
};
template <>
NetBiosService& SeamDefault<NetBiosService>();

}  // namespace kz
