// basKelOSVersionA: the running system's major and minor version, with a per-thread cache.
#include "frame/catalogue.h"
#include "base/perthread.h"
#include "frame/kz.h"
#include "com/latebound.h"
#include "frame/modules.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "com/siblings.h"

namespace kz {
namespace {

// The 148-byte version record: its size, then the major and minor version.
static_assert(sizeof(OSVERSIONINFOA) == 148, "version record");

// The thread's version cache.
struct VersionCache {
  short major = 0, minor = 0;
};
using ThreadVersion = PerThread<VersionCache>;

}  // namespace

std::wstring GetOSVersionText(short& major, short& minor) {
  OSVERSIONINFOA rec;
  ZeroMemory(&rec, sizeof rec);
  rec.dwOSVersionInfoSize = sizeof rec;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&rec);  // on failure the record stays zero
#pragma GCC diagnostic pop
  // A version beyond a 16-bit Integer overflows; that statement is skipped and the cache keeps
  // its previous number.
  VersionCache& cache = ThreadVersion::Get();
  if (rec.dwMajorVersion <= 32767) cache.major = static_cast<short>(rec.dwMajorVersion);
  if (rec.dwMinorVersion <= 32767) cache.minor = static_cast<short>(rec.dwMinorVersion);
  major = cache.major;
  minor = cache.minor;
  return std::to_wstring(cache.major) + L"." + std::to_wstring(cache.minor);
}

void CachedOSVersion(short& major, short& minor) {
  const VersionCache* cache = ThreadVersion::Peek();
  major = cache ? cache->major : 0;
  minor = cache ? cache->minor : 0;
}

std::wstring CurrentOSVersionText() {
  // Created by programmatic identifier, exactly as a client would, through the same seam as
  // the sibling components.
  Ptr<IDispatch> runtime = Ptr<IDispatch>::Adopt(CreateSibling(L"KELZUD10.clsKelzud10RunTimeA"));
  Var r = CallByName(runtime.get(), L"GetCurrentOSVer", DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::vector<Var>{});
  return VarToStr(r.get());
}

}  // namespace kz
