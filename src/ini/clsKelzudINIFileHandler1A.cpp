#include "ini/clsKelzudINIFileHandler1A.h"

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/convert.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "ini/fields.h"
#include "platform/profile.h"
#include "base/text.h"

namespace kz {
namespace {

constexpr unsigned long kValueBuffer = 255;

void FillArray(SAFEARRAY** target, short* count, const std::vector<std::wstring>& items) {
  SAFEARRAY* sa = MakeBstrArray(items, 1);
  if (*target) SafeArrayDestroy(*target);
  *target = sa;
  *count = static_cast<short>(items.size());
}

std::wstring ReadAt(IDispatch* h, const std::wstring& path, const std::wstring& section, const std::wstring& key) {
  PutProp(h, L"Path", Var::Str(path));
  PutProp(h, L"Section", Var::Str(section));
  PutProp(h, L"Key", Var::Str(key));
  return VarToStr(GetProp(h, L"Value").get());
}

}  // namespace

// ---- behaviour -------------------------------------------------------------------------------

std::wstring IniFileHandler::ReadValue() const {
  return ProfileValue(path_, section_, key_, default_, kValueBuffer);
}

void IniFileHandler::TakeOutNuls(std::wstring& value) {
  // NULs would end the text early at the platform: they are taken out, in the caller's text.
  for (size_t p = value.find(L'\0'); p != std::wstring::npos; p = value.find(L'\0')) {
    if (p + 1 > 32767) Raise(kErrOverflow);  // the search position is a 16-bit Integer
    value.erase(p, 1);
  }
}

void IniFileHandler::WriteValue(std::wstring& value) {
  TakeOutNuls(value);
  last_rc_ = ProfileWrite(path_, section_, &key_, &value);
}

void IniFileHandler::WriteValues(const std::wstring& path, const std::vector<ProfileEntry>& entries) {
  if (entries.empty()) return;
  std::vector<long> rc = ProfileWriteMany(path, entries);
  path_ = path;
  section_ = entries.back().section;
  key_ = entries.back().key;
  last_rc_ = rc.back();
}

std::wstring IniFileHandler::SectionKeyList() const { return ProfileNames(path_, &section_, default_); }

std::wstring IniFileHandler::SectionList() const { return ProfileNames(path_, nullptr, default_); }

void IniFileHandler::DeleteSection() { last_rc_ = ProfileWrite(path_, section_, nullptr, nullptr); }

void IniFileHandler::DeleteKey() { last_rc_ = ProfileWrite(path_, section_, &key_, nullptr); }

std::vector<std::wstring> IniFileHandler::EnumerateSection() const { return SplitNameList(SectionKeyList(), false); }

std::vector<std::wstring> IniFileHandler::EnumerateSections() const { return SplitNameList(SectionList(), true); }

long IniFileHandler::ToLongOr(const std::wstring& text, long fallback) {
  BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!b) return fallback;
  LONG v = 0;
  HRESULT hr = VarI4FromStr(b, LOCALE_USER_DEFAULT, 0, &v);
  SysFreeString(b);
  return SUCCEEDED(hr) ? v : fallback;
}

// ---- automation interface --------------------------------------------------------------------

#define KZ_TEXT_PROPERTY(NAME, FIELD)                                                       \
  STDMETHODIMP IniFileHandler::get_##NAME(BSTR* ret) {                                      \
    return Guard([&] { *ret = ToBstr(FIELD); });                                             \
  }                                                                                         \
  STDMETHODIMP IniFileHandler::put_##NAME(BSTR rhs) {                                       \
    return Guard([&] { FIELD = FromBstr(rhs); });                                            \
  }
KZ_TEXT_PROPERTY(Path, path_)
KZ_TEXT_PROPERTY(Section, section_)
KZ_TEXT_PROPERTY(Key, key_)
KZ_TEXT_PROPERTY(Default, default_)
#undef KZ_TEXT_PROPERTY

STDMETHODIMP IniFileHandler::get_AppObj(IDispatch** ret) {
  *ret = app_.get();
  if (*ret) (*ret)->AddRef();
  return S_OK;
}
STDMETHODIMP IniFileHandler::putref_AppObj(IDispatch* rhs) {
  app_ = Ptr<IDispatch>::Share(rhs);
  return S_OK;
}
STDMETHODIMP IniFileHandler::get_FrmObj(IDispatch** ret) {
  *ret = frm_.get();
  if (*ret) (*ret)->AddRef();
  return S_OK;
}
STDMETHODIMP IniFileHandler::putref_FrmObj(IDispatch* rhs) {
  frm_ = Ptr<IDispatch>::Share(rhs);
  return S_OK;
}

STDMETHODIMP IniFileHandler::get_LastReturnCode(long* ret) {
  *ret = last_rc_;
  return S_OK;
}
STDMETHODIMP IniFileHandler::get_Success(VARIANT_BOOL* ret) {
  *ret = last_rc_ != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP IniFileHandler::get_Value(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(ReadValue()); });
}

STDMETHODIMP IniFileHandler::put_Value(BSTR* value) {
  return Guard([&] {
    std::wstring v = value ? FromBstr(*value) : std::wstring();
    struct WriteBackOnExit {  // the caller's variable holds the cleaned text, even on error 6
      BSTR* target;
      std::wstring& text;
      size_t original;
      ~WriteBackOnExit() {
        if (target && text.size() != original) {
          BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
          if (b) { SysFreeString(*target); *target = b; }
        }
      }
    } wb{value, v, v.size()};
    WriteValue(v);
  });
}

STDMETHODIMP IniFileHandler::get_INISection(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(SectionKeyList()); });
}

STDMETHODIMP IniFileHandler::put_INISection(BSTR rhs) {
  // Without a key the platform deletes the section: the text given is not stored.
  return Guard([&] {
    const std::wstring text = FromBstr(rhs);
    last_rc_ = ProfileWrite(path_, section_, nullptr, &text);
  });
}

STDMETHODIMP IniFileHandler::get_Sections(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(SectionList()); });
}

STDMETHODIMP IniFileHandler::DeleteKeyINI() {
  return Guard([&] { DeleteKey(); });
}

STDMETHODIMP IniFileHandler::DeleteSectionINI() {
  return Guard([&] { DeleteSection(); });
}

STDMETHODIMP IniFileHandler::EnumerateCurrentSection(SAFEARRAY** keys, short* count) {
  return Guard([&] {
    *count = 0;
    FillArray(keys, count, EnumerateSection());
  });
}

STDMETHODIMP IniFileHandler::EnumerateAllSections(SAFEARRAY** sections, short* count) {
  return Guard([&] {
    *count = 0;
    FillArray(sections, count, EnumerateSections());
  });
}

STDMETHODIMP IniFileHandler::CLngDefault(BSTR* text, long* fallback, long* ret) {
  *ret = ToLongOr(text ? FromBstr(*text) : std::wstring(), fallback ? *fallback : 0);
  return S_OK;
}

STDMETHODIMP IniFileHandler::GetHeaderInfo(IFHHeaderInfo* ret) {
  return Guard([&] {
    static const wchar_t* const kKeys[] = {L"FileName", L"Friend", L"Description", L"Version", L"Signature",
                                           L"Generator", L"ClassID", L"Contents", L"LCID", L"Flags"};
    BSTR* const fields[] = {&ret->sFileName, &ret->sFriend,    &ret->sDescription, &ret->sVersion,
                            &ret->sSignature, &ret->sGenerator, &ret->sClassID,     &ret->sContents,
                            nullptr,          &ret->sFlags};
    section_ = L"HeaderInfo";
    for (size_t i = 0; i < 10; ++i) {
      key_ = kKeys[i];
      std::wstring v = ReadValue();
      if (fields[i]) {
        SysFreeString(*fields[i]);
        *fields[i] = ToBstr(v);
      } else {
        ret->lLCID = RoundToLong(LeadingNumber(v));
      }
    }
  });
}

STDMETHODIMP IniFileHandler::ReadDetailsINIFileValue(BSTR* path, BSTR* section, BSTR* key, BSTR* ret) {
  return Guard([&] {
    Ptr<IDispatch> h = Ptr<IDispatch>::Adopt(CreateByProgId(L"KELZUD10.clsKelzudINIFileHandler1A"));
    *ret = ToBstr(ReadAt(h.get(), FromBstr(*path), FromBstr(*section), FromBstr(*key)));
  });
}

STDMETHODIMP IniFileHandler::WriteINIFileValue(BSTR* path, BSTR* section, BSTR* key, BSTR* value, BSTR* ret) {
  return Guard([&] {
    Ptr<IDispatch> h = Ptr<IDispatch>::Adopt(CreateByProgId(L"KELZUD10.clsKelzudINIFileHandler1A"));
    PutProp(h.get(), L"Path", Var::Str(FromBstr(*path)));
    PutProp(h.get(), L"Section", Var::Str(FromBstr(*section)));
    PutProp(h.get(), L"Key", Var::Str(FromBstr(*key)));
    PutProp(h.get(), L"Value", Var::Str(FromBstr(*value)));  // a copy: the caller's text is not changed
    *ret = ToBstr(L"");
  });
}

KZ_REGISTER_CLASS(IniFileHandler);

}  // namespace kz
