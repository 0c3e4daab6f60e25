#include "platform/netresources.h"

namespace kz {
namespace {

// mpr.dll is loaded on first use: most clients of the library never enumerate the network.
HMODULE Mpr() {
  static HMODULE m = LoadLibraryW(L"mpr.dll");
  return m;
}

template <class F>
F Entry(const char* name) {
  HMODULE m = Mpr();
  return m ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

class PlatformNetworkResources : public NetworkResources {
 public:
  DWORD OpenEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* start, HANDLE* enumeration) override {
    using Fn = DWORD(WINAPI*)(DWORD, DWORD, DWORD, LPNETRESOURCEA, LPHANDLE);
    static Fn fn = Entry<Fn>("WNetOpenEnumA");
    return fn ? fn(scope, type, usage, start, enumeration) : ERROR_NO_NETWORK;
  }
  DWORD EnumResource(HANDLE enumeration, DWORD* count, void* buffer, DWORD* buffer_size) override {
    using Fn = DWORD(WINAPI*)(HANDLE, LPDWORD, LPVOID, LPDWORD);
    static Fn fn = Entry<Fn>("WNetEnumResourceA");
    return fn ? fn(enumeration, count, buffer, buffer_size) : ERROR_NO_NETWORK;
  }
  DWORD CloseEnum(HANDLE enumeration) override {
    using Fn = DWORD(WINAPI*)(HANDLE);
    static Fn fn = Entry<Fn>("WNetCloseEnum");
    return fn ? fn(enumeration) : ERROR_NO_NETWORK;
  }
};

}  // namespace

template <>
NetworkResources& SeamDefault<NetworkResources>() {
  static PlatformNetworkResources r;
  return r;
}

}  // namespace kz
