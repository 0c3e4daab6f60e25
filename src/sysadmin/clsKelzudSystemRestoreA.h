// System restore points through the platform's management service: the list, roll-back,
// creation and monitoring per drive. Every failure is reported in one information box and the
// member returns normally.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/collection.h"
#include "com/comobject.h"
#include "com/ptr.h"

namespace kz {

class KelzudSystemRestoreA : public ComObject<KelzudSystemRestoreA, _clsKelzudSystemRestoreA> {
  KZ_CLASS(clsKelzudSystemRestoreA)
 public:
  STDMETHODIMP EnumerateAllRestorePoints(_KzCollection** ret) override;
  STDMETHODIMP RollBackToSpecificRestorePoint(VARIANT* lSequenceNumber, VARIANT* ret) override;
  STDMETHODIMP CreateSpecificRestorePoint(BSTR* sDescription, VARIANT* ret) override;
  STDMETHODIMP EnableDisableRestorePointonDrive(BSTR* sDrive, VARIANT_BOOL* bEnable, VARIANT* ret) override;

  static const wchar_t kListMoniker[];
  static const wchar_t kRollBackMoniker[];
  static const wchar_t kCreateMoniker[];
  static const wchar_t kMonitorMoniker[];

  // The members' work; failures have been reported when these return (the list is then null).
  static Ptr<Collection> RestorePoints();
  static void RollBack(const VARIANT& sequence_number);
  static void Create(const std::wstring& description);
  // `drive` gets its trailing backslash here.
  static void Monitor(std::wstring& drive, VARIANT_BOOL enable);
};

}  // namespace kz
