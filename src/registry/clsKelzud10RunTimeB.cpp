#include "registry/clsKelzud10RunTimeB.h"

#include <vector>

#include "base/error.h"
#include "base/longhandle.h"
#include "base/owner.h"
#include "base/text.h"
#include "frame/catalogue.h"
#include "platform/registry.h"

namespace kz {
namespace {

constexpr REGSAM kWrite = 0x3F;  // query, set, create subkey, enumerate, notify, create link
constexpr long kLocalMachine = static_cast<long>(0x80000002);
constexpr long kClassesRoot = static_cast<long>(0x80000000);

// The key a Long names: the predefined roots as themselves; any other number is taken as a
// handle the client opened (the typed writer works on those).
HKEY KeyOf(long value) { return HandleFromLong<HKEY>(value); }

// Only the predefined roots are roots: a number that is not one addresses nothing.
HKEY RootOf(long value) {
  if (value < static_cast<long>(0x80000000) || value > static_cast<long>(0x80000006)) return nullptr;
  return KeyOf(value);
}

std::wstring TextOf(BSTR* b) { return b ? FromBstr(*b) : std::wstring(); }
long LongOf(long* l) { return l ? *l : 0; }

// A key path that names no subkey: the platform would take it as the root itself.
bool NamesNoSubKey(const std::wstring& path) { return path.find_first_not_of(L" \\") == std::wstring::npos; }

// Opens or creates a key below HKEY_CLASSES_ROOT with full access, sets its default text when
// one is given, and closes it.
void ClassesKey(const std::wstring& path, const std::wstring* default_text) {
  RegKey key;
  if (registry::CreateKey(RootOf(kClassesRoot), path, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  if (default_text) registry::SetText(key.get(), L"", REG_SZ, *default_text + L'\0');
}

}  // namespace

const wchar_t Kelzud10RunTimeB::kStartupKey[] = L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";

LONG Kelzud10RunTimeB::WriteTyped(HKEY key, const std::wstring& name, long type, const VARIANT& value) {
  switch (type) {
    case REG_SZ: {
      // Stored without a terminating NUL. The platform adds one to string data whose byte
      // after the given size is a NUL, so the buffer carries a byte there that is not one.
      std::string bytes = ToAnsi(VarToStr(&value));
      std::vector<BYTE> data(bytes.begin(), bytes.end());
      data.push_back('.');
      return registry::SetBytes(key, name, REG_SZ, data.data(), static_cast<DWORD>(bytes.size()));
    }
    case REG_EXPAND_SZ:
      return registry::SetText(key, name, REG_EXPAND_SZ, VarToStr(&value) + L'\0');
    case REG_DWORD: {
      DWORD n = static_cast<DWORD>(VarToLong(&value));
      BYTE b[4] = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                   static_cast<BYTE>(n >> 24)};
      return registry::SetBytes(key, name, REG_DWORD, b, 4);
    }
    default:
      return ERROR_SUCCESS;
  }
}

Var Kelzud10RunTimeB::ReadTyped(long root, const std::wstring& key_name, const std::wstring& name, LONG* code) {
  RegKey key;
  registry::OpenKey(RootOf(root), key_name, kWrite, &key);
  registry::ValueData data;
  *code = key.get() ? registry::QueryValue(key.get(), name, &data) : ERROR_INVALID_HANDLE;
  if (*code != ERROR_SUCCESS) return Var();
  switch (data.type) {
    case REG_SZ:
      return Var::Str(data.Text());  // every stored byte, a stored NUL included
    case REG_DWORD: {
      BYTE b[4] = {};
      memcpy(b, data.bytes.data(), data.bytes.size() < 4 ? data.bytes.size() : 4);
      return Var::Long(static_cast<long>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<DWORD>(b[3]) << 24)));
    }
    default:
      *code = -1;
      return Var();
  }
}

void Kelzud10RunTimeB::SetKeyValueNow(long root, const std::wstring& key_name, const std::wstring& name,
                                      const VARIANT& value, long type) {
  RegKey key;
  // The key is not created: a missing one makes the write fail without a word.
  if (registry::OpenKey(RootOf(root), key_name, kWrite, &key) != ERROR_SUCCESS) return;
  WriteTyped(key.get(), name, type, value);
}

void Kelzud10RunTimeB::DeleteValueNow(long root, const std::wstring& key_name, const std::wstring& name) {
  RegKey key;
  if (registry::OpenKey(RootOf(root), key_name, kWrite, &key) != ERROR_SUCCESS) return;
  registry::DeleteValue(key.get(), name);
}

void Kelzud10RunTimeB::RegisterExtension(const std::wstring& extension, const std::wstring& program,
                                         const std::wstring& icon, const std::wstring& verb,
                                         const std::wstring& description) {
  // An empty extension would put the entries on the classes root itself.
  if (NamesNoSubKey(extension)) return;
  ClassesKey(extension, &description);
  ClassesKey(extension + L"\\shell", nullptr);
  ClassesKey(extension + L"\\DefaultIcon", &icon);
  ClassesKey(extension + L"\\shell\\" + verb, nullptr);
  std::wstring command = program + L" %1";
  ClassesKey(extension + L"\\shell\\" + verb + L"\\command", &command);
}

// ---- automation interface --------------------------------------------------------------------

STDMETHODIMP Kelzud10RunTimeB::DeleteKey(long* lPredefinedKey, BSTR* sKeyName, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    std::wstring path = TextOf(sKeyName);
    if (!NamesNoSubKey(path)) registry::DeleteKey(RootOf(LongOf(lPredefinedKey)), path);
  });
}

STDMETHODIMP Kelzud10RunTimeB::DeleteValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { DeleteValueNow(LongOf(lPredefinedKey), TextOf(sKeyName), TextOf(sValueName)); });
}

STDMETHODIMP Kelzud10RunTimeB::SetValueEx(long hKey, BSTR* sValueName, long* lType, VARIANT* vValue, long* ret) {
  return Guard([&] {
    Var v = vValue ? Deref(vValue) : Var();
    *ret = WriteTyped(KeyOf(hKey), TextOf(sValueName), LongOf(lType), *v.get());
  });
}

STDMETHODIMP Kelzud10RunTimeB::CreateNewKey(long* lPredefinedKey, BSTR* sNewKeyName, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    RegKey key;
    registry::CreateKey(RootOf(LongOf(lPredefinedKey)), TextOf(sNewKeyName), kWrite, &key);
  });
}

STDMETHODIMP Kelzud10RunTimeB::SetKeyValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName,
                                           VARIANT* vValueSetting, long* lValueType, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    Var v = vValueSetting ? Deref(vValueSetting) : Var();
    SetKeyValueNow(LongOf(lPredefinedKey), TextOf(sKeyName), TextOf(sValueName), *v.get(), LongOf(lValueType));
  });
}

STDMETHODIMP Kelzud10RunTimeB::QueryValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] {
    LONG code = 0;
    ReadTyped(LongOf(lPredefinedKey), TextOf(sKeyName), TextOf(sValueName), &code).Detach(ret);
  });
}

STDMETHODIMP Kelzud10RunTimeB::ShowAtStartup(BSTR* sKey, BSTR* sValue) {
  return Guard([&] {
    Var v = Var::Str(TextOf(sValue));
    SetKeyValueNow(kLocalMachine, kStartupKey, TextOf(sKey), *v.get(), REG_SZ);
  });
}

STDMETHODIMP Kelzud10RunTimeB::DontShowAtStartup(BSTR* Yourexe) {
  return Guard([&] { DeleteValueNow(kLocalMachine, kStartupKey, TextOf(Yourexe)); });
}

STDMETHODIMP Kelzud10RunTimeB::FileAssociationInRegistry(BSTR* sFileExtension, BSTR* sFileAssociation,
                                                         BSTR* sFileIcon, BSTR*, BSTR*, BSTR* sFileOpen,
                                                         BSTR* sFileDesc, BSTR*, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    // The type library gives an omitted verb its default; an empty one would name no key of
    // its own (the command would land on the shell key), so it stands for the usual verb too.
    std::wstring verb = TextOf(sFileOpen);
    if (verb.empty()) verb = L"Open ";
    RegisterExtension(TextOf(sFileExtension), TextOf(sFileAssociation), TextOf(sFileIcon), verb, TextOf(sFileDesc));
  });
}

STDMETHODIMP Kelzud10RunTimeB::FileAssociationInRegistry2(BSTR* sFileExtension, BSTR* sFileAssociation,
                                                          BSTR* sFileIcon, BSTR* sFileOpen, BSTR* sFileDesc, BSTR*,
                                                          VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    std::wstring icon = TextOf(sFileIcon);
    if (icon.empty()) {
      icon = TextOf(sFileAssociation) + L",0";
      if (sFileIcon) {
        BSTR b = ToBstr(icon);
        SysFreeString(*sFileIcon);
        *sFileIcon = b;
      }
    }
    std::wstring verb = TextOf(sFileOpen);
    if (verb.empty()) verb = L"Open";
    RegisterExtension(TextOf(sFileExtension), TextOf(sFileAssociation), icon, verb, TextOf(sFileDesc));
  });
}

KZ_REGISTER_CLASS(Kelzud10RunTimeB);

}  // namespace kz
