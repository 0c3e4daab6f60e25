// The platform's network resource enumeration (providers, domains, servers). Tests put a
// stand-in in its place: Wine has no network provider to list.
#pragma once
#include "base/seam.h"
#include "base/win.h"

#include <winnetwk.h>

namespace kz {

struct NetworkResources {
  virtual ~NetworkResources() = default;
  // WNetOpenEnumA, WNetEnumResourceA and WNetCloseEnum: the platform's status codes.
  virtual DWORD OpenEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* start, HANDLE* enumeration) = 0;
  virtual DWORD EnumResource(HANDLE enumeration, DWORD* count, void* buffer, DWORD* buffer_size) = 0;
  virtual DWORD CloseEnum(HANDLE enumeration) = 0;
};
template <>
NetworkResources& SeamDefault<NetworkResources>();

}  // namespace kz
