#include "services/clsKelzudFontsA.h"

#include "base/error.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "fs/fspaths.h"
#include "registry/clsKelzudRegHand1A.h"

namespace kz {
namespace {

constexpr long kHKeyLocalMachine = static_cast<long>(0x80000002u);
constexpr long kErrBadFileFormat = 321;

// A flag acts only when it is exactly true.
bool Flag(VARIANT_BOOL v) { return v == VARIANT_TRUE; }

void BroadcastFontChange() {
  // Programs that do not answer must not hold the installer up for ever.
  DWORD_PTR result = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

// Whether the font loader takes the file: loaded privately for this process and unloaded again
// at once, so that nothing of the session's font table changes.
bool LoadsAsFont(const std::wstring& path) {
  if (AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr) <= 0) return false;
  RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
  return true;
}

// A file that is there but is no font is refused before it is copied or registered.
void RequireFont(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;  // missing: the copy says so
  if (!LoadsAsFont(path)) Raise(kErrBadFileFormat);  // "Invalid file format"
}

}  // namespace

const wchar_t FontInstaller::kFontsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";

std::wstring FontInstaller::RegistryValueName() const {
  return true_type_ ? font_name_ + L" (TrueType)" : font_name_;
}

std::wstring FontInstaller::RegistryValueData() const { return UpperCase(destination_); }

void FontInstaller::Add(bool load, bool copy, bool add_reg, bool send_msg) {
  const std::wstring to = fsx::KernelPath(destination_);
  const bool copying = copy && GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES;
  // The file that is installed must be a font: the source when it is copied into place, else
  // the destination when it is registered.
  if (copying)
    RequireFont(fsx::KernelPath(source_));
  else if (add_reg)
    RequireFont(to);
  if (copy) {
    if (copying) {
      if (!CopyFileW(fsx::KernelPath(source_).c_str(), to.c_str(), FALSE)) throw ErrorOfWin32(GetLastError());
      SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }
  if (load) AddFontResourceA(ToAnsi(destination_).c_str());
  if (add_reg) {
    Ptr<RegistryObject> reg = Ptr<RegistryObject>::Adopt(MakeObject<RegistryObject>());
    const long key = reg->Open(kHKeyLocalMachine, kFontsKey, false, std::wstring());
    // The key cannot be opened for writing: most often a user without the rights to it.
    if (key == -1) throw ErrorOfWin32(ERROR_ACCESS_DENIED);
    Var data = Var::Str(RegistryValueData());
    const long rc = reg->Write(key, RegistryValueName(), data.get());
    reg->CloseHandle(key);
    if (rc != 0) throw ErrorOfWin32(static_cast<DWORD>(rc));
  }
  if (send_msg) BroadcastFontChange();
}

void FontInstaller::Remove() { RemoveFontResourceA(ToAnsi(destination_).c_str()); }

FontInstaller::LoadCall FontInstaller::ChooseCall(DWORD version, bool no_enum, bool private_font) {
  const DWORD major = version & 0xFF, minor = (version >> 8) & 0xFF;
  if (minor != 0) return LoadCall::Ansi;
  if (major == 5 && (no_enum || private_font)) return LoadCall::Extended;
  return LoadCall::Wide;
}

DWORD FontInstaller::ExtendedFlags(bool no_enum, bool private_font) {
  return (no_enum ? FR_NOT_ENUM : 0) | (private_font ? FR_PRIVATE : 0);
}

bool FontInstaller::Manage(bool install, bool no_enum, bool private_font) {
  static const DWORD version = GetVersion();  // asked once for the life of the process
  const std::wstring& path = destination_;
  int count = 0;
  switch (ChooseCall(version, no_enum, private_font)) {
    case LoadCall::Extended: {
      const DWORD flags = ExtendedFlags(no_enum, private_font);
      count = install ? AddFontResourceExW(path.c_str(), flags, nullptr)
                      : RemoveFontResourceExW(path.c_str(), flags, nullptr);
      break;
    }
    case LoadCall::Wide:
      count = install ? AddFontResourceW(path.c_str()) : RemoveFontResourceW(path.c_str());
      break;
    case LoadCall::Ansi: {
      const std::string a = ToAnsi(path);
      count = install ? AddFontResourceA(a.c_str()) : RemoveFontResourceA(a.c_str());
      break;
    }
  }
  if (count <= 0) return false;
  BroadcastFontChange();
  return true;
}

STDMETHODIMP FontInstaller::get_SourceFile(BSTR* ret) {
  if (!ret) return E_POINTER;
  return Guard([&] { *ret = ToBstr(source_); });
}
STDMETHODIMP FontInstaller::put_SourceFile(BSTR rhs) {
  return Guard([&] { source_ = FromBstr(rhs); });
}
STDMETHODIMP FontInstaller::get_DestinationFile(BSTR* ret) {
  if (!ret) return E_POINTER;
  return Guard([&] { *ret = ToBstr(destination_); });
}
STDMETHODIMP FontInstaller::put_DestinationFile(BSTR rhs) {
  return Guard([&] { destination_ = FromBstr(rhs); });
}
STDMETHODIMP FontInstaller::get_FontName(BSTR* ret) {
  if (!ret) return E_POINTER;
  return Guard([&] { *ret = ToBstr(font_name_); });
}
STDMETHODIMP FontInstaller::put_FontName(BSTR rhs) {
  return Guard([&] { font_name_ = FromBstr(rhs); });
}
STDMETHODIMP FontInstaller::get_IsTrueType(VARIANT_BOOL* ret) {
  if (!ret) return E_POINTER;
  return Guard([&] { *ret = true_type_ ? VARIANT_TRUE : VARIANT_FALSE; });
}
STDMETHODIMP FontInstaller::put_IsTrueType(VARIANT_BOOL rhs) {
  return Guard([&] { true_type_ = rhs != VARIANT_FALSE; });
}

STDMETHODIMP FontInstaller::AddFont(VARIANT_BOOL bAddFont, VARIANT_BOOL bCopySourceToDest, VARIANT_BOOL bAddReg,
                                    VARIANT_BOOL bSendMsg) {
  return Guard([&] { Add(Flag(bAddFont), Flag(bCopySourceToDest), Flag(bAddReg), Flag(bSendMsg)); });
}

STDMETHODIMP FontInstaller::RemoveFont() {
  return Guard([&] { Remove(); });
}

STDMETHODIMP FontInstaller::ManageFonts(VARIANT_BOOL fInstallFont, VARIANT_BOOL fNoEnum, VARIANT_BOOL fPrivate,
                                        VARIANT_BOOL* ret) {
  if (!ret) return E_POINTER;
  *ret = VARIANT_FALSE;
  return Guard([&] {
    *ret = Manage(Flag(fInstallFont), Flag(fNoEnum), Flag(fPrivate)) ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

KZ_REGISTER_CLASS(FontInstaller);

}  // namespace kz
