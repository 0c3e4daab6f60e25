#include "frame/VQ_KELZUD10.h"

#include "frame/catalogue.h"

namespace kz {

RootObject::~RootObject() {
  for (auto& s : slots_) {
    IUnknown* p = s;
    s = nullptr;
    if (p) p->Release();
  }
}

KZ_REGISTER_CLASS(RootObject);

}  // namespace kz
