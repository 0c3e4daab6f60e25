// Helpers of the registry tests: a scratch key under HKCU\Software\Kelzud10Tests, raw reads and
// writes that bypass the library, and a look at whether a key handle is still open.
#pragma once
#include <string>
#include <vector>

#include "registry/clsKelzudRegHand1A.h"
#include "testkit.h"

namespace kzt {

constexpr long kHkcu = static_cast<long>(0x80000001);

// HKCU\Software\Kelzud10Tests\<name>, created empty and removed with everything below it.
class ScratchKey {
 public:
  explicit ScratchKey(const std::wstring& name);
  ~ScratchKey();
  const std::wstring& path() const { return path_; }  // below HKEY_CURRENT_USER
  HKEY key() const { return key_; }

  void Set(const std::wstring& name, DWORD type, const std::string& bytes) const;
  // The raw bytes of a value; false when it is missing.
  bool Get(const std::wstring& name, DWORD* type, std::string* bytes) const;
  bool Has(const std::wstring& name) const { DWORD t; std::string b; return Get(name, &t, &b); }
  void MakeSubKey(const std::wstring& sub) const;
  bool HasSubKey(const std::wstring& sub) const;

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

inline bool HandleIsOpen(long h) {
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(reinterpret_cast<HKEY>(static_cast<LONG_PTR>(h)), nullptr, nullptr, nullptr, &subkeys,
                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// How many handles of any kind this process holds (from the system's handle list, which
// Wine also keeps; its GetProcessHandleCount always answers 0).
unsigned long OpenHandleCount();

// A new registry object held by the test.
inline Ptr<kz::RegistryObject> NewRegistryObject() {
  return Ptr<kz::RegistryObject>::Adopt(kz::MakeObject<kz::RegistryObject>());
}

inline std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

// The elements of a one-dimensional array of BSTR or Variant, as text, with its bounds.
std::vector<std::wstring> TextItems(const VARIANT& v, LONG* lbound = nullptr, LONG* ubound = nullptr);

}  // namespace kzt
