// Drives and volumes: which drives exist, their type, label, serial number, file system, space
// and network share. One area, so that tests can stand in small, removable or network disks.
#pragma once
#include <string>

#include "base/seam.h"

namespace kz {

struct Volumes {
  virtual ~Volumes() = default;
  // The root paths of all drives, each followed by a NUL, as GetLogicalDriveStrings gives them.
  virtual std::wstring LogicalDriveStrings() = 0;
  // GetDriveType of a root path ("C:\").
  virtual unsigned DriveType(const std::wstring& root) = 0;
  // GetVolumeInformation of a root path; false when the volume is not ready.
  virtual bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long* serial,
                                 std::wstring* file_system) = 0;
  // Whether the kernel offers GetDiskFreeSpaceExA (looked up by name, as on systems without it).
  virtual bool HasDiskFreeSpaceEx() = 0;
  virtual bool DiskFreeSpaceEx(const std::wstring& root, unsigned long long* available, unsigned long long* total,
                               unsigned long long* free) = 0;
  virtual bool DiskFreeSpace(const std::wstring& root, unsigned long* sectors_per_cluster,
                             unsigned long* bytes_per_sector, unsigned long* free_clusters,
                             unsigned long* total_clusters) = 0;
  // The network share a drive ("X:") is connected to; "" for a local drive.
  virtual std::wstring ShareName(const std::wstring& drive) = 0;
  // Whether a drive exists, given its root ("C:\"), with its GetDriveType in *type either way.
  // The platform answers both with one question; by default the drive list is asked.
  virtual bool Present(const std::wstring& root, unsigned* type);
  // 1 when the drive is ready, 0 when it exists but is not, -1 when there is no such drive. A
  // volume that answers exists, so the platform is asked for the drive only when it does not.
  virtual int Readiness(const std::wstring& root);
};
template <>
Volumes& SeamDefault<Volumes>();

}  // namespace kz
