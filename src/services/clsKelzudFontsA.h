// Installs a font file on the machine and removes it again: copies it into place, loads it
// into the session, registers it under the font registry key and tells running programs.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class FontInstaller : public ComObject<FontInstaller, _clsKelzudFontsA> {
  KZ_CLASS(clsKelzudFontsA)
 public:
  STDMETHODIMP get_SourceFile(BSTR* ret) override;
  STDMETHODIMP put_SourceFile(BSTR rhs) override;
  STDMETHODIMP get_DestinationFile(BSTR* ret) override;
  STDMETHODIMP put_DestinationFile(BSTR rhs) override;
  STDMETHODIMP get_FontName(BSTR* ret) override;
  STDMETHODIMP put_FontName(BSTR rhs) override;
  STDMETHODIMP get_IsTrueType(VARIANT_BOOL* ret) override;
  STDMETHODIMP put_IsTrueType(VARIANT_BOOL rhs) override;
  STDMETHODIMP AddFont(VARIANT_BOOL bAddFont, VARIANT_BOOL bCopySourceToDest, VARIANT_BOOL bAddReg,
                       VARIANT_BOOL bSendMsg) override;
  STDMETHODIMP RemoveFont() override;
  STDMETHODIMP ManageFonts(VARIANT_BOOL fInstallFont, VARIANT_BOOL fNoEnum, VARIANT_BOOL fPrivate,
                           VARIANT_BOOL* ret) override;

  // The same behaviour for the library's own code.
  void set_source(const std::wstring& s) { source_ = s; }
  void set_destination(const std::wstring& s) { destination_ = s; }
  void set_font_name(const std::wstring& s) { font_name_ = s; }
  void set_true_type(bool t) { true_type_ = t; }
  const std::wstring& source() const { return source_; }
  const std::wstring& destination() const { return destination_; }
  void Add(bool load, bool copy, bool add_reg, bool send_msg);
  void Remove();
  bool Manage(bool install, bool no_enum, bool private_font);

  // The registry value the font is registered under, and its data.
  std::wstring RegistryValueName() const;
  std::wstring RegistryValueData() const;

  // Which platform call ManageFonts uses for a GetVersion result.
  enum class LoadCall { Ansi, Wide, Extended };
  static LoadCall ChooseCall(DWORD version, bool no_enum, bool private_font);
  // The flags of the extended call.
  static DWORD ExtendedFlags(bool no_enum, bool private_font);

  static const wchar_t kFontsKey[];

 private:
  std::wstring source_, destination_, font_name_;
  bool true_type_ = false;
};

}  // namespace kz
