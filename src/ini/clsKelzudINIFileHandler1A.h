// The INI file handler: a cursor over one profile file (Path, Section, Key, Default), read and
// written one value at a time through the platform's profile functions.
#pragma once
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/ptr.h"
#include "platform/profile.h"

namespace kz {

class IniFileHandler : public ComObject<IniFileHandler, _clsKelzudINIFileHandler1A> {
  KZ_CLASS(clsKelzudINIFileHandler1A)
 public:
  // Automation interface.
  STDMETHODIMP get_Path(BSTR* ret) override;
  STDMETHODIMP put_Path(BSTR rhs) override;
  STDMETHODIMP get_Section(BSTR* ret) override;
  STDMETHODIMP put_Section(BSTR rhs) override;
  STDMETHODIMP get_Key(BSTR* ret) override;
  STDMETHODIMP put_Key(BSTR rhs) override;
  STDMETHODIMP get_Default(BSTR* ret) override;
  STDMETHODIMP put_Default(BSTR rhs) override;
  STDMETHODIMP get_AppObj(IDispatch** ret) override;
  STDMETHODIMP putref_AppObj(IDispatch* rhs) override;
  STDMETHODIMP get_FrmObj(IDispatch** ret) override;
  STDMETHODIMP putref_FrmObj(IDispatch* rhs) override;
  STDMETHODIMP get_LastReturnCode(long* ret) override;
  STDMETHODIMP get_Success(VARIANT_BOOL* ret) override;
  STDMETHODIMP get_Value(BSTR* ret) override;
  STDMETHODIMP put_Value(BSTR* value) override;
  STDMETHODIMP get_INISection(BSTR* ret) override;
  STDMETHODIMP put_INISection(BSTR rhs) override;
  STDMETHODIMP get_Sections(BSTR* ret) override;
  STDMETHODIMP DeleteKeyINI() override;
  STDMETHODIMP DeleteSectionINI() override;
  STDMETHODIMP EnumerateCurrentSection(SAFEARRAY** keys, short* count) override;
  STDMETHODIMP EnumerateAllSections(SAFEARRAY** sections, short* count) override;
  STDMETHODIMP CLngDefault(BSTR* text, long* fallback, long* ret) override;
  STDMETHODIMP GetHeaderInfo(IFHHeaderInfo* ret) override;
  STDMETHODIMP ReadDetailsINIFileValue(BSTR* path, BSTR* section, BSTR* key, BSTR* ret) override;
  STDMETHODIMP WriteINIFileValue(BSTR* path, BSTR* section, BSTR* key, BSTR* value, BSTR* ret) override;
  STDMETHODIMP SaveFormPosition(IDispatch** form) override;
  STDMETHODIMP LoadFormPosition(IDispatch** form, VARIANT* min_width, VARIANT* min_height) override;
  STDMETHODIMP Pals(IFHPALSParamA* code, BSTR* b, long* c, VARIANT* d, VARIANT* process_var, VARIANT* ret) override;

  // The action methods share one signature (see actions/): lParamA, sParamB, lParamC,
  // vParamD, bProcessVar, result.
#define KZ_ACTION_PARAMS long* a, BSTR* b, long* c, VARIANT* d, VARIANT* process_var, VARIANT* ret
  STDMETHODIMP PalsCENVVAR(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsASFFONT(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsRSFFONT(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsSSEXEA(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsSSEXENOWAIT(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsSIni(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsRCplDtopEntries(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsCreateShorCuts(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsCREGK(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsFormMap1(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsEREGBAK(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsIREGBAK(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsFormMap2(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsASCSFNF(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsCSFILES(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsCMODIFYREGENVPATH(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsFILEASSOCIATION(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsCOMMANDASSOCIATION(KZ_ACTION_PARAMS) override;
  STDMETHODIMP PalsCDBTableFld(KZ_ACTION_PARAMS) override;

  // The same behaviour for the library's own code (the action engine drives the handler
  // through these).
  const std::wstring& path() const { return path_; }
  const std::wstring& section() const { return section_; }
  const std::wstring& key() const { return key_; }
  const std::wstring& default_text() const { return default_; }
  void set_path(const std::wstring& s) { path_ = s; }
  void set_section(const std::wstring& s) { section_ = s; }
  void set_key(const std::wstring& s) { key_ = s; }
  void set_default(const std::wstring& s) { default_ = s; }
  IDispatch* app_obj() const { return app_.get(); }
  IDispatch* frm_obj() const { return frm_.get(); }
  long last_return_code() const { return last_rc_; }

  std::wstring ReadValue() const;
  // Removes every NUL from `value` (in place) and writes it.
  void WriteValue(std::wstring& value);
  // Removes every NUL from `value` (in place), as a write does; error 6 for one beyond the
  // 16-bit search position.
  static void TakeOutNuls(std::wstring& value);
  // Writes each entry (NULs already taken out) to `path` as value writes one by one would, in
  // one replace of the file where it can; leaves Path, Section, Key at the last entry and
  // LastReturnCode at its result.
  void WriteValues(const std::wstring& path, const std::vector<ProfileEntry>& entries);
  std::wstring SectionKeyList() const;
  std::wstring SectionList() const;
  void DeleteSection();
  void DeleteKey();
  std::vector<std::wstring> EnumerateSection() const;
  std::vector<std::wstring> EnumerateSections() const;
  static long ToLongOr(const std::wstring& text, long fallback);

  // Form positions in the current section (FormPosition.cpp). The first two never raise: a
  // failure leaves LastReturnCode 0. ApplyFormMap raises, with the steps before applied.
  void SaveFormTo(IDispatch* form);
  void LoadFormFrom(IDispatch* form, VARIANT* min_width, VARIANT* min_height);
  void ApplyFormMap();

 private:
  std::wstring path_, section_, key_, default_;
  Ptr<IDispatch> app_, frm_;
  long last_rc_ = 0;
};

}  // namespace kz
