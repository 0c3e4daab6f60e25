#include "testkit.h"

#include <fstream>

#include "frame/kz.h"
#include "base/error.h"

namespace kzt {

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static int counter = 0;
  for (;;) {
    path_ = std::wstring(base) + L"kzt" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

static void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full); else DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

TempDir::~TempDir() { RemoveTree(path_); }

UnattendedLog::UnattendedLog() : file_(dir_.File(L"boxes.log")) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(L"KELZUD10_UNATTENDED", buf, 1024);
  if (n && n < 1024) { had_previous_ = true; previous_.assign(buf, n); }
  SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", file_.c_str());
}

UnattendedLog::~UnattendedLog() {
  SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", had_previous_ ? previous_.c_str() : nullptr);
}

std::vector<std::wstring> UnattendedLog::Records() const {
  std::vector<std::wstring> out;
  HANDLE h = CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  std::string bytes;
  char buf[4096];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
  CloseHandle(h);
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
  size_t start = 0;
  for (size_t p; (p = text.find(L"\r\n", start)) != std::wstring::npos; start = p + 2)
    out.push_back(text.substr(start, p - start));
  return out;
}

VariableCleanup::~VariableCleanup() {
  HKEY k;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
    RegDeleteValueW(k, name.c_str());
    RegCloseKey(k);
  }
  SetEnvironmentVariableW(name.c_str(), nullptr);
}

HRESULT TryCreate(const wchar_t* progid) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progid, &clsid);
  if (FAILED(hr)) return hr;
  IDispatch* d = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
  if (d) d->Release();
  return hr;
}

Ptr<IDispatch> Create(const wchar_t* progid) {
  CLSID clsid;
  IDispatch* d = nullptr;
  EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(progid, &clsid));
  EXPECT_HRESULT_SUCCEEDED(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d)));
  return Ptr<IDispatch>::Adopt(d);
}

CallResult Call(IDispatch* obj, const wchar_t* name, std::vector<VARIANT*> byref_args, WORD flags) {
  CallResult r;
  try {
    r.value = kz::CallByName(obj, name, flags, byref_args);
  } catch (const kz::Error& e) {
    r.error = e.number();
    r.source = e.source();
    r.description = e.description();
  }
  return r;
}

std::wstring ReadFileText(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return L"";
  std::string bytes;
  char buf[4096];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
  CloseHandle(h);
  return kz::FromAnsi(bytes);
}

void WriteFileText(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD w;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
  CloseHandle(h);
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ProgramFolder() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring p = self;
  return p.substr(0, p.find_last_of(L'\\'));
}

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

std::wstring UniqueName(const wchar_t* prefix, const wchar_t* what) {
  return std::wstring(prefix) + what + L"_" + std::to_wstring(GetCurrentProcessId());
}

ProcessVariable::ProcessVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
  wchar_t buf[2048];
  DWORD n = GetEnvironmentVariableW(name, buf, 2048);
  if (n && n < 2048) { had_ = true; old_.assign(buf, n); }
  SetEnvironmentVariableW(name, value);
}

ProcessVariable::~ProcessVariable() { SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

}  // namespace kzt

int main(int argc, char** argv) {
  // Objects live in a single-threaded apartment, as in a client's main thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  CoUninitialize();
  return rc;
}
