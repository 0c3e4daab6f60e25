// The four classes of the catalogue that have no members at all: they are registered and
// creatable, and an instance offers only the standard interfaces.
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

#define KZ_EMPTY_CLASS(NAME, IMPL)                           \
  class IMPL : public ComObject<IMPL, _##NAME> {             \
    KZ_CLASS(NAME)                                           \
  };                                                         \
  KZ_REGISTER_CLASS(IMPL);

KZ_EMPTY_CLASS(clsKelzud10A, Kelzud10A)
KZ_EMPTY_CLASS(clsKelzudVariedA, VariedA)
KZ_EMPTY_CLASS(clsKelzudShellA, ShellA)
KZ_EMPTY_CLASS(clsKelOSVersionA, KelOSVersionA)

}  // namespace kz
