// Helpers of the file-system tests: a tree of files made on disk, and an event sink for the
// file-system object's events.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "testkit.h"
#include "fs/clsKelzudFileSystemA.h"

namespace fst {

using kz::Ptr;
using kz::FileSystem;

// A BSTR owned by the test (base/owner.h's Bstr cannot sit beside com/events.h).
class B {
 public:
  explicit B(const std::wstring& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  ~B() { SysFreeString(b_); }
  B(const B&) = delete;
  B& operator=(const B&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

// A new file-system object held by the test.
inline Ptr<FileSystem> NewFs() { return Ptr<FileSystem>::Adopt(kz::MakeObject<FileSystem>()); }

// Writes a file of `size` bytes (the letter x) or of the given text, creating its folders.
void MakeFile(const std::wstring& path, const std::string& content);
void MakeDir(const std::wstring& path);
std::string ReadBytes(const std::wstring& path);

// The paths of a ";"-terminated list, in order.
std::vector<std::wstring> SplitList(const std::wstring& list);

struct Raised {
  DISPID id;
  double count;      // dblCount as the event received it
  std::wstring path;
};

// A sink for __clsKelzudFileSystemA that records each event; `on_event` may change dblCount
// (by reference) or fail (an error raised by the handler).
class Sink : public IDispatch {
 public:
  virtual ~Sink() = default;
  std::vector<Raised> events;
  std::function<HRESULT(const Raised&, double* count, EXCEPINFO*)> on_event;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG r = --refs_;
    if (!r) delete this;
    return r;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT*, EXCEPINFO* ei, UINT*) override;

 private:
  ULONG refs_ = 1;
};

// Connects a sink to an object's events for the life of this object.
class Connection {
 public:
  Connection(IUnknown* source, IDispatch* sink);
  ~Connection();

 private:
  Ptr<IConnectionPoint> cp_;
  DWORD cookie_ = 0;
};

}  // namespace fst
