#include "fstest.h"

#include "base/text.h"

namespace fst {

void MakeDir(const std::wstring& path) {
  size_t p = 3;
  while ((p = path.find(L'\\', p)) != std::wstring::npos) {
    CreateDirectoryW(path.substr(0, p).c_str(), nullptr);
    ++p;
  }
  CreateDirectoryW(path.c_str(), nullptr);
}

void MakeFile(const std::wstring& path, const std::string& content) {
  MakeDir(path.substr(0, path.rfind(L'\\')));
  kzt::WriteFileText(path, content);
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buf[4096];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
  CloseHandle(h);
  return bytes;
}

std::vector<std::wstring> SplitList(const std::wstring& list) {
  std::vector<std::wstring> out;
  size_t start = 0;
  for (size_t p; (p = list.find(L';', start)) != std::wstring::npos; start = p + 1) out.push_back(list.substr(start, p - start));
  EXPECT_EQ(start, list.size()) << "the list ends in ;";
  return out;
}

STDMETHODIMP Sink::QueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, DIID___clsKelzudFileSystemA)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP Sink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT*, EXCEPINFO* ei, UINT*) {
  if (id != 1 && id != 2) return DISP_E_MEMBERNOTFOUND;
  EXPECT_EQ(dp->cArgs, 2u);
  VARIANT& count = dp->rgvarg[1];
  VARIANT& path = dp->rgvarg[0];
  EXPECT_EQ(count.vt, VT_BYREF | VT_R8) << "dblCount goes by reference";
  EXPECT_EQ(path.vt, VT_BYREF | VT_BSTR) << "the path goes by reference";
  Raised r{id, *count.pdblVal, kz::FromBstr(*path.pbstrVal)};
  events.push_back(r);
  // A handler that writes into the path must not change what the method goes on with.
  SysFreeString(*path.pbstrVal);
  *path.pbstrVal = SysAllocString(L"changed by the handler");
  if (on_event) {
    HRESULT hr = on_event(r, count.pdblVal, ei);
    if (FAILED(hr)) return DISP_E_EXCEPTION;
  }
  return S_OK;
}

Connection::Connection(IUnknown* source, IDispatch* sink) {
  Ptr<IConnectionPointContainer> cpc;
  EXPECT_HRESULT_SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.out())));
  EXPECT_HRESULT_SUCCEEDED(cpc->FindConnectionPoint(DIID___clsKelzudFileSystemA, cp_.out()));
  EXPECT_HRESULT_SUCCEEDED(cp_->Advise(sink, &cookie_));
}

Connection::~Connection() {
  if (cp_) cp_->Unadvise(cookie_);
}

}  // namespace fst
