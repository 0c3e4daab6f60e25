// The root object: one object reference per class of the library, nothing else.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

#define KZ_ROOT_SLOTS(X)                                                                        \
  X(clsKelzud10RunTimeA) X(clsKelzud10RunTimeB) X(clsKelzudAppCLAHandlerA) X(clsKelzudCDromA)   \
  X(clsKelzudCplDtopEntriesA) X(clsKelzudCryptographyA) X(clsKelzudCryptographyB)               \
  X(clsKelzudCryptographyC) X(clsKelzudDriveVolumeA) X(clsKelzudEnvironmentVarA)                \
  X(clsKelzudErrorHandlerA) X(clsKelzudEthernetAddressA) X(clsKelzudFFShortcutA)                \
  X(clsKelzudFFTextFileA) X(clsKelzudFGIBriConA) X(clsKelzudFileExtensionsA)                    \
  X(clsKelzudFileSearchA) X(clsKelzudFileSystemA) X(clsKelzudFolderDesktopINIA) X(clsKelzudFontsA) \
  X(clsKelzudGRegKeyMD5A) X(clsKelzudGUIDA) X(clsKelzudINIFileHandler1A) X(clsKelzudKeyboardA)  \
  X(clsKelzudMRUA) X(clsKelzudMSWindowsA) X(clsKelzudRegHand1A) X(clsKelzudRegHand2A)           \
  X(clsKelzudShellA) X(clsKelzudStopwatchA) X(clsKelzudVariedA) X(clsKelzudWinCaptureA)         \
  X(clsKelzudWinOnTopA) X(clsKelzudWNetwA)

class RootObject : public ComObject<RootObject, _VQ_KELZUD10> {
  KZ_CLASS(VQ_KELZUD10)
 public:
  // Termination: every slot is emptied in slot order, releasing what it held.
  ~RootObject() override;

#define KZ_SLOT_ACCESSORS(N)                                                  \
  STDMETHODIMP get_m_##N(_##N** ret) override { return Get(slot_##N, ret); } \
  STDMETHODIMP putref_m_##N(_##N** rhs) override { return Set(slot_##N, rhs); }
  KZ_ROOT_SLOTS(KZ_SLOT_ACCESSORS)
#undef KZ_SLOT_ACCESSORS

 private:
  enum {
#define KZ_SLOT_INDEX(N) slot_##N,
    KZ_ROOT_SLOTS(KZ_SLOT_INDEX)
#undef KZ_SLOT_INDEX
    kSlots
  };

  template <class T>
  HRESULT Get(int slot, T** ret) {
    if (!ret) return E_POINTER;
    *ret = static_cast<T*>(slots_[slot]);
    if (*ret) (*ret)->AddRef();
    return S_OK;
  }
  template <class T>
  HRESULT Set(int slot, T** rhs) {
    IUnknown* next = rhs ? *rhs : nullptr;
    if (next) next->AddRef();
    IUnknown* prev = slots_[slot];
    slots_[slot] = next;
    if (prev) prev->Release();
    return S_OK;
  }

  IUnknown* slots_[kSlots] = {};
};

}  // namespace kz
