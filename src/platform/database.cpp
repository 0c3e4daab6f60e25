#include "platform/database.h"

namespace kz {
namespace {

struct WindowsDatabaseComponents : DatabaseComponents {
  HRESULT Create(const std::wstring& progid, IDispatch** out) override {
    *out = nullptr;
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progid.c_str(), &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(out));
  }
};

}  // namespace

template <>
DatabaseComponents& SeamDefault<DatabaseComponents>() {
  static WindowsDatabaseComponents components;
  return components;
}

}  // namespace kz
