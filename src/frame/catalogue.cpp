#include "frame/catalogue.h"

#include <map>

#include "frame/kz.h"
#include "base/error.h"
#include "base/text.h"

namespace kz {
namespace {

#define KZ_C(n) {L## #n, &CLSID_##n, Instancing::Creatable}
#define KZ_G(n) {L## #n, &CLSID_##n, Instancing::Global}
#define KZ_D(n) {L## #n, &CLSID_##n, Instancing::Dependent}

const std::vector<ClassEntry> kCatalogue = {
    KZ_C(clsKelzud10A),           KZ_C(clsKelzudRegHand1A),        KZ_D(clsKelzudRegHand1KeyA),
    KZ_D(clsKelzudRegHand1KeysA), KZ_D(clsKelzudRegHand1ValueA),   KZ_D(clsKelzudRegHand1ValuesA),
    KZ_C(clsKelzudINIFileHandler1A), KZ_C(clsKelzudGUIDA),         KZ_C(clsKelzudDriveVolumeA),
    KZ_C(clsKelzudEthernetAddressA), KZ_C(clsKelzudVariedA),       KZ_C(clsKelzudWinOnTopA),
    KZ_C(clsKelzudMSWindowsA),    KZ_C(clsKelzudCryptographyA),    KZ_C(clsKelzudFileExtensionsA),
    KZ_C(clsKelzudFileSystemA),   KZ_D(clsKelzudFileSearchFileA),  KZ_D(clsKelzudFileSearchFilesA),
    KZ_C(clsKelzudFileSearchA),   KZ_C(clsKelzudGRegKeyMD5A),      KZ_C(clsKelzudCryptographyC),
    KZ_C(clsKelzudCryptographyB), KZ_C(clsKelzudFolderDesktopINIA), KZ_C(clsKelzudCplDtopEntriesA),
    KZ_G(clsKelzudErrorHandlerA), KZ_C(clsKelzudAppCLAHandlerA),   KZ_G(clsKelzud10RunTimeA),
    KZ_G(clsKelzud10RunTimeB),    KZ_C(clsKelzudWNetwA),           KZ_C(clsKelzudKeyboardA),
    KZ_C(clsKelzudMRUA),          KZ_C(clsKelzudWinCaptureA),      KZ_C(clsKelzudFFShortcutA),
    KZ_C(clsKelzudFGIBriConA),    KZ_C(clsKelzudCDromA),           KZ_C(clsKelzudFFTextFileA),
    KZ_C(clsKelzudShellA),        KZ_C(clsKelzudRegHand2A),        KZ_G(clsKelzudEnvironmentVarA),
    KZ_C(clsKelzudFontsA),        KZ_C(clsKelzudStopwatchA),       KZ_C(VQ_KELZUD10),
    KZ_C(clsKelzudSystemRestoreA), KZ_C(clsKelzudaINIREGSwapA),    KZ_C(clsKelOSVersionA),
    KZ_C(clsKELZUDTasksA),        KZ_C(clsKelzudFileAssociationA),
};

std::map<std::wstring, Creator>& Creators() {
  static std::map<std::wstring, Creator> m;
  return m;
}

}  // namespace

const std::vector<ClassEntry>& Catalogue() { return kCatalogue; }

const ClassEntry* FindClass(const std::wstring& name) {
  for (const auto& e : kCatalogue)
    if (EqualNoCase(e.name, name)) return &e;
  return nullptr;
}

const ClassEntry* FindClass(REFCLSID clsid) {
  for (const auto& e : kCatalogue)
    if (IsEqualCLSID(*e.clsid, clsid)) return &e;
  return nullptr;
}

bool RegisterCreator(const wchar_t* name, Creator c) {
  Creators()[name] = c;
  return true;
}

Creator CreatorOf(const ClassEntry& e) {
  auto it = Creators().find(e.name);
  return it == Creators().end() ? nullptr : it->second;
}

bool IsBuilt(const ClassEntry& e) { return CreatorOf(e) != nullptr; }
bool IsPublished(const ClassEntry& e) { return IsBuilt(e) && e.instancing != Instancing::Dependent; }
std::wstring ProgIdOf(const ClassEntry& e) { return std::wstring(L"Kelzud10.") + e.name; }

HRESULT CreateInstance(const wchar_t* name, REFIID iid, void** out) {
  *out = nullptr;
  const ClassEntry* e = FindClass(name);
  Creator c = e ? CreatorOf(*e) : nullptr;
  if (!c) return CLASS_E_CLASSNOTAVAILABLE;
  return c(iid, out);
}

}  // namespace kz
