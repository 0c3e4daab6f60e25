#include "fs/DriveObject.h"

#include <cwchar>

#include "base/text.h"
#include "com/refcounted.h"
#include "com/variant.h"
#include "platform/volumes.h"

namespace kz {

bool DriveExists(const std::wstring& drive) {
  if (drive.size() < 2 || drive[1] != L':') return false;
  return Seam<Volumes>().Present(UpperCase(drive.substr(0, 2)) + L"\\", nullptr);
}

std::wstring SerialText(unsigned long serial) {
  wchar_t hex[16];
  swprintf(hex, 16, L"%08lX", serial);
  std::wstring s = hex;
  return s.substr(0, 4) + L"-" + s.substr(4, 4);
}

DriveFacts QueryDrive(const std::wstring& drive, bool* present) {
  Volumes& v = Seam<Volumes>();
  DriveFacts f;
  f.letter = UpperCase(drive.substr(0, 1));
  f.path = f.letter + L":";
  f.root = f.path + L"\\";
  unsigned type = 0;
  bool exists = v.Present(f.root, &type);
  if (present) {
    *present = exists;
    if (!exists) return f;
  }
  switch (type) {
    case DRIVE_REMOVABLE: f.type = 1; break;
    case DRIVE_FIXED: f.type = 2; break;
    case DRIVE_REMOTE: f.type = 3; break;
    case DRIVE_CDROM: f.type = 4; break;
    case DRIVE_RAMDISK: f.type = 5; break;
    default: f.type = 0; break;
  }
  if (f.type == 3) f.share = v.ShareName(f.path);
  f.ready = v.VolumeInformation(f.root, &f.volume, &f.serial, &f.file_system);
  if (f.ready) {
    unsigned long long a = 0, t = 0, fr = 0;
    if (v.DiskFreeSpaceEx(f.root, &a, &t, &fr)) {
      f.available = static_cast<double>(a);
      f.total = static_cast<double>(t);
      f.free = static_cast<double>(fr);
    }
  }
  return f;
}

namespace {

const wchar_t* const kNames[] = {L"Path",          L"DriveLetter", L"ShareName", L"RootFolder",
                                 L"SerialNumber",  L"VolumeName",  L"TotalSize", L"AvailableSpace",
                                 L"FreeSpace",     L"DriveType",   L"FileSystem", L"IsReady"};
constexpr DISPID kCount = sizeof kNames / sizeof kNames[0];

class DriveObject : public RefCounted<IDispatch> {
 public:
  explicit DriveObject(std::wstring drive) : drive_(std::move(drive)) {}

  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ti) override {
    if (ti) *ti = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    for (UINT k = 0; k < n; ++k) ids[k] = DISPID_UNKNOWN;
    if (n == 0) return S_OK;
    for (DISPID i = 0; i < kCount; ++i)
      if (EqualNoCase(names[0], kNames[i])) {
        ids[0] = i;  // Path is 0: the default member
        return n == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id < 0 || id >= kCount) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    if (dp && dp->cArgs) return DISP_E_BADPARAMCOUNT;
    DriveFacts f = QueryDrive(drive_);
    Var r;
    switch (id) {
      case 0: r = Var::Str(f.path); break;
      case 1: r = Var::Str(f.letter); break;
      case 2: r = Var::Str(f.share); break;
      case 3: r = Var::Str(f.root); break;
      case 4: r = Var::Long(static_cast<long>(f.serial)); break;
      case 5: r = Var::Str(f.volume); break;
      case 6: case 7: case 8: {
        VARIANT d;
        d.vt = VT_R8;
        d.dblVal = id == 6 ? f.total : id == 7 ? f.available : f.free;
        r = Var(d);
        break;
      }
      case 9: r = Var::Long(f.type); break;
      case 10: r = Var::Str(f.file_system); break;
      default: r = Var::Bool(f.ready); break;
    }
    if (result) {
      VariantClear(result);
      r.Detach(result);
    }
    return S_OK;
  }

 private:
  std::wstring drive_;
};

}  // namespace

IDispatch* NewDriveObject(const std::wstring& drive) { return new DriveObject(drive.substr(0, 2)); }

}  // namespace kz
