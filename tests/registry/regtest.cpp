#include "regtest.h"

namespace kzt {

ScratchKey::ScratchKey(const std::wstring& name) : path_(L"Software\\Kelzud10Tests\\" + name) {
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
            ERROR_SUCCESS);
}

ScratchKey::~ScratchKey() {
  if (key_) RegCloseKey(key_);
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

void ScratchKey::Set(const std::wstring& name, DWORD type, const std::string& bytes) const {
  ASSERT_EQ(RegSetValueExA(key_, kz::ToAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

bool ScratchKey::Get(const std::wstring& name, DWORD* type, std::string* bytes) const {
  DWORD n = 0;
  std::string a = kz::ToAnsi(name);
  if (RegQueryValueExA(key_, a.c_str(), nullptr, type, nullptr, &n) != ERROR_SUCCESS) return false;
  std::string buf(n + 2, '\0');
  DWORD m = n + 2;
  if (RegQueryValueExA(key_, a.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&buf[0]), &m) != ERROR_SUCCESS)
    return false;
  buf.resize(m);
  *bytes = buf;
  return true;
}

void ScratchKey::MakeSubKey(const std::wstring& sub) const {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(key_, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  RegCloseKey(k);
}

bool ScratchKey::HasSubKey(const std::wstring& sub) const {
  HKEY k;
  if (RegOpenKeyExW(key_, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

unsigned long OpenHandleCount() {
  struct Entry {
    ULONG pid;
    BYTE type, flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  struct List {
    ULONG count;
    Entry items[1];
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<BYTE> buf(1 << 16);
  ULONG len = 0;
  LONG status;
  while ((status = query(kSystemHandleInformation, buf.data(), static_cast<ULONG>(buf.size()), &len)) ==
         kInfoLengthMismatch)
    buf.resize(buf.size() * 2);
  EXPECT_EQ(status, 0);
  const List* list = reinterpret_cast<const List*>(buf.data());
  unsigned long n = 0;
  for (ULONG i = 0; i < list->count; ++i) n += list->items[i].pid == GetCurrentProcessId();
  return n;
}

std::vector<std::wstring> TextItems(const VARIANT& v, LONG* lbound, LONG* ubound) {
  std::vector<std::wstring> out;
  EXPECT_TRUE(v.vt & VT_ARRAY);
  if (!(v.vt & VT_ARRAY) || !v.parray) return out;
  LONG lb = 0, ub = -1;
  SafeArrayGetLBound(v.parray, 1, &lb);
  SafeArrayGetUBound(v.parray, 1, &ub);
  if (lbound) *lbound = lb;
  if (ubound) *ubound = ub;
  for (LONG i = lb; i <= ub; ++i) {
    Var e;
    if ((v.vt & VT_TYPEMASK) == VT_BSTR) {
      BSTR b = nullptr;
      SafeArrayGetElement(v.parray, &i, &b);
      out.push_back(kz::FromBstr(b));
      SysFreeString(b);
    } else {
      SafeArrayGetElement(v.parray, &i, e.get());
      out.push_back(kz::VarToStr(e.get()));
    }
  }
  return out;
}

}  // namespace kzt
