#include "platform/management.h"

#include "base/error.h"

namespace kz {
namespace {

class PlatformManagement : public ManagementObjects {
 public:
  IDispatch* ObjectOf(const std::wstring& moniker) override {
    // CoGetObject parses the display name and binds it, as GetObject does in a script.
    IDispatch* d = nullptr;
    HRESULT hr = CoGetObject(moniker.c_str(), nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
    if (FAILED(hr) || !d) throw Error::FromHresult(FAILED(hr) ? hr : E_NOINTERFACE);
    return d;
  }
};

}  // namespace

template <>
ManagementObjects& SeamDefault<ManagementObjects>() {
  static PlatformManagement m;
  return m;
}

}  // namespace kz
