// The property-style registry accessor: one value addressed by root, key path, value name and
// type, read and written through Value; every operation opens and closes its own key handle
// and reports failures as errors with composed messages. The same object registers program
// classes with the shell and sets the registry editor's last key.
#pragma once
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/variant.h"

namespace kz {

class RegAccessor : public ComObject<RegAccessor, _clsKelzudRegHand2A> {
  KZ_CLASS(clsKelzudRegHand2A)
 public:
  // Automation interface.
  STDMETHODIMP get_KeyExists(VARIANT_BOOL* ret) override;
  STDMETHODIMP CreateKey(VARIANT_BOOL* ret) override;
  STDMETHODIMP DeleteKey(VARIANT_BOOL* ret) override;
  STDMETHODIMP DeleteValue(VARIANT_BOOL* ret) override;
  STDMETHODIMP get_Value(VARIANT* ret) override;
  STDMETHODIMP put_Value(VARIANT rhs) override;
  STDMETHODIMP EnumerateValues(SAFEARRAY** names, long* count, VARIANT_BOOL* ret) override;
  STDMETHODIMP EnumerateSections(SAFEARRAY** names, long* count, VARIANT_BOOL* ret) override;
  STDMETHODIMP CreateEXEAssociation(BSTR* sExePath, BSTR* sClassName, BSTR* sClassDescription, BSTR* sAssociation,
                                    BSTR* sOpenMenuText, VARIANT_BOOL* bSupportPrint, BSTR* sPrintMenuText,
                                    VARIANT_BOOL* bSupportNew, BSTR* sNewMenuText, VARIANT_BOOL* bSupportInstall,
                                    BSTR* sInstallMenuText, long* lDefaultIconIndex) override;
  STDMETHODIMP CreateAdditionalEXEAssociations(BSTR* sClassName, SAFEARRAY** vItems) override;
  STDMETHODIMP get_ValueType(ERegistryValueTypes* ret) override;
  STDMETHODIMP put_ValueType(ERegistryValueTypes rhs) override;
  STDMETHODIMP get_ClassKey(ERegistryClassConstants* ret) override;
  STDMETHODIMP put_ClassKey(ERegistryClassConstants rhs) override;
  STDMETHODIMP get_SectionKey(BSTR* ret) override;
  STDMETHODIMP put_SectionKey(BSTR rhs) override;
  STDMETHODIMP get_ValueKey(BSTR* ret) override;
  STDMETHODIMP put_ValueKey(BSTR rhs) override;
  STDMETHODIMP get_Default(VARIANT* ret) override;
  STDMETHODIMP put_Default(VARIANT rhs) override;
  STDMETHODIMP RegEditSetLastKey(BSTR* sLastKey, VARIANT_BOOL* bRunRegEdit, VARIANT* ret) override;

  // Source of every error the class raises.
  static const wchar_t* Source();

  // The same behaviour for the library's own code; failures raise kz::Error.
  long class_key() const { return class_key_; }
  void set_class_key(long v) { class_key_ = v; }
  const std::wstring& section_key() const { return section_; }
  void set_section_key(const std::wstring& s) { section_ = s; }
  const std::wstring& value_key() const { return value_name_; }
  void set_value_key(const std::wstring& s) { value_name_ = s; }
  long value_type() const { return value_type_; }
  void set_value_type(long t) { value_type_ = t; }
  void set_default(const VARIANT& v) { default_ = Var(v); }

  bool KeyExistsNow() const;
  void CreateKeyNow();
  void DeleteKeyNow();
  void DeleteValueNow();
  Var Read();
  void Write(const VARIANT& v);
  std::vector<std::wstring> ValueNames() const;
  std::vector<std::wstring> SubkeyNames() const;

  struct Association {
    std::wstring exe_path, class_name, description, extension;
    std::wstring open_text, print_text, new_text, install_text;
    bool print = false, add_new = false, install = false;
    long icon_index = -1;
  };
  void Associate(const Association& a);
  // Triples of name, menu text and command line.
  void AddCommands(const std::wstring& class_name, const std::vector<std::wstring>& items, bool has_bounds);
  void SetEditorLastKey(const std::wstring& last_key, bool run_editor);

  // Whether the text is written as an expandable string: a "%" and another at least two
  // characters after it.
  static bool LooksExpandable(const std::wstring& text);

 private:
  void WriteBoth(const std::wstring& text);

  long class_key_ = 0;
  std::wstring section_, value_name_;
  long value_type_ = 0;
  Var default_;
};

}  // namespace kz
