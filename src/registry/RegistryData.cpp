#include "registry/RegistryData.h"

#include <cstdio>
#include <cstring>

#include "frame/kz.h"
#include "base/error.h"
#include "base/text.h"

namespace kz {
namespace reg {
namespace {

constexpr size_t kMaxNuls = 32767;  // the element index of a split is a 16-bit Integer
constexpr DWORD kExpandBuffer = 4096;

// Text data without its terminating NUL. Data written by other programs may lack the
// terminator; then nothing is cut, so no character is lost.
std::wstring TextOf(const registry::ValueData& d) {
  std::wstring text = d.Text();
  if (!text.empty() && d.bytes.back() == 0) text.pop_back();
  return text;
}

long LittleEndian(const std::vector<BYTE>& d, size_t count) {
  DWORD v = 0;
  for (size_t i = 0; i < count && i < d.size(); ++i) v |= static_cast<DWORD>(d[i]) << (8 * i);
  return static_cast<long>(v);
}

Var ByteArray(const std::vector<BYTE>& d) {
  SAFEARRAYBOUND b{static_cast<ULONG>(d.size()), 0};
  SAFEARRAY* sa = SafeArrayCreate(VT_UI1, 1, &b);
  if (!sa) Raise(kErrOutOfMemory);
  if (!d.empty()) {
    void* p = nullptr;
    SafeArrayAccessData(sa, &p);
    memcpy(p, d.data(), d.size());
    SafeArrayUnaccessData(sa);
  }
  Var r;
  r.get()->vt = VT_ARRAY | VT_UI1;
  r.get()->parray = sa;
  return r;
}

Var StringArray(const std::vector<std::wstring>& items) {
  Var r;
  r.get()->parray = MakeBstrArray(items, 0);
  r.get()->vt = VT_ARRAY | VT_BSTR;
  return r;
}

// The strings of a multi-string value: the list's closing NUL and the last string's own NUL
// are dropped, so the array holds the stored strings and nothing after them.
std::vector<std::wstring> MultiStringOf(const registry::ValueData& d) {
  std::wstring text = d.Text();
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  if (text.empty()) return {};
  if (text.back() == L'\0') text.pop_back();
  return SplitAtNuls(text);
}

}  // namespace

std::wstring AutoTableKey(long handle) {
  wchar_t buf[16];
  swprintf(buf, 16, L"_H%lX", static_cast<unsigned long>(static_cast<DWORD>(handle)));
  return buf;
}

Var DataToVariant(const registry::ValueData& data) {
  const std::vector<BYTE>& d = data.bytes;
  switch (data.type) {
    case REG_SZ: return Var::Str(TextOf(data));
    case REG_EXPAND_SZ: return Var::Str(registry::ExpandEnvironment(TextOf(data), kExpandBuffer));
    case REG_BINARY:
      switch (d.size()) {
        case 4: return Var::Long(LittleEndian(d, 4));
        case 2: return Var::Short(static_cast<short>(LittleEndian(d, 2)));
        case 1: {
          Var r;
          r.get()->vt = VT_UI1;
          r.get()->bVal = d[0];
          return r;
        }
        default: return ByteArray(d);
      }
    // Data of another length than four bytes is taken from the bytes there are.
    case REG_DWORD: return Var::Long(LittleEndian(d, 4));
    case REG_MULTI_SZ: return StringArray(MultiStringOf(data));
    default: return Var::Str(data.Text());
  }
}

std::vector<std::wstring> SplitAtNuls(const std::wstring& text) {
  size_t nuls = 0;
  for (wchar_t c : text) nuls += (c == L'\0');
  if (nuls > kMaxNuls) Raise(kErrOverflow);
  std::vector<std::wstring> out;
  out.reserve(nuls + 1);
  size_t start = 0;
  for (;;) {
    size_t p = text.find(L'\0', start);
    if (p == std::wstring::npos) {
      out.push_back(text.substr(start));
      return out;
    }
    out.push_back(text.substr(start, p - start));
    start = p + 1;
  }
}

std::wstring JoinWithNuls(const std::vector<std::wstring>& items) {
  std::wstring out;
  size_t total = 1;
  for (const auto& s : items) total += s.size() + 1;
  out.reserve(total);
  for (const auto& s : items) {
    out += s;
    out += L'\0';
  }
  out += L'\0';
  return out;
}

std::vector<std::wstring> StringsOf(SAFEARRAY* sa) {
  std::vector<std::wstring> out;
  if (!sa) return out;
  if (SafeArrayGetDim(sa) != 1) Raise(kErrSubscript);
  LONG lb = 0, ub = -1;
  SafeArrayGetLBound(sa, 1, &lb);
  SafeArrayGetUBound(sa, 1, &ub);
  VARTYPE vt = VT_EMPTY;
  SafeArrayGetVartype(sa, &vt);
  if (vt != VT_BSTR && vt != VT_VARIANT) Raise(kErrTypeMismatch);
  void* data = nullptr;
  ThrowIfFailed(SafeArrayAccessData(sa, &data));
  struct Unaccess {
    SAFEARRAY* sa;
    ~Unaccess() { SafeArrayUnaccessData(sa); }
  } unaccess{sa};
  LONG count = ub - lb + 1;
  out.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  for (LONG i = 0; i < count; ++i) {
    if (vt == VT_BSTR) out.push_back(FromBstr(static_cast<BSTR*>(data)[i]));
    else out.push_back(VarToStr(&static_cast<VARIANT*>(data)[i]));
  }
  return out;
}

bool MultiStringItems(const VARIANT& v, std::vector<std::wstring>& out) {
  if (v.vt == (VT_ARRAY | VT_BSTR)) {
    if (v.parray && SafeArrayGetDim(v.parray) != 1) return false;
    out = StringsOf(v.parray);
    return true;
  }
  if (v.vt != (VT_ARRAY | VT_VARIANT) || !v.parray || SafeArrayGetDim(v.parray) != 1) return false;
  LONG lb = 0, ub = -1;
  SafeArrayGetLBound(v.parray, 1, &lb);
  SafeArrayGetUBound(v.parray, 1, &ub);
  std::vector<std::wstring> items;
  for (LONG i = lb; i <= ub; ++i) {
    Var e;
    if (FAILED(SafeArrayGetElement(v.parray, &i, e.get()))) return false;
    Var plain = Deref(e.get());
    if (plain.vt() != VT_BSTR) return false;
    items.push_back(FromBstr(plain.get()->bstrVal));
  }
  out = std::move(items);
  return true;
}

long SizeOfData(const VARIANT& v) {
  if (v.vt & VT_ARRAY) {
    SAFEARRAY* sa = v.parray;
    if (!sa) return 0;
    LONG lb = 0, ub = -1;
    SafeArrayGetLBound(sa, 1, &lb);
    SafeArrayGetUBound(sa, 1, &ub);
    if (ub < lb) return 0;  // no first element to measure
    long count = ub + 1;
    Var first;
    VARTYPE et = v.vt & VT_TYPEMASK;
    if (et == VT_VARIANT) {
      SafeArrayGetElement(sa, &lb, first.get());
    } else if (et == VT_UI1) {
      return count;
    } else if (et == VT_BSTR || et == VT_I2 || et == VT_I4 || et == VT_R4 || et == VT_R8 || et == VT_CY ||
               et == VT_DATE || et == VT_BOOL) {
      Var holder;
      holder.get()->vt = et;
      if (FAILED(SafeArrayGetElement(sa, &lb, &holder.get()->lVal))) holder.get()->vt = VT_EMPTY;
      first = holder;
    } else {
      return 0;
    }
    Var plain = Deref(first.get());
    if (plain.vt() == VT_UI1) return count;
    Var text;
    if (FAILED(VariantChangeTypeEx(text.get(), plain.get(), LOCALE_USER_DEFAULT, 0, VT_BSTR))) return 0;
    return static_cast<long>(SysStringLen(text.get()->bstrVal)) * count;
  }
  switch (v.vt) {
    case VT_I2: return 2;
    case VT_I4: case VT_R4: case VT_DISPATCH: case VT_BOOL: return 4;
    case VT_R8: case VT_DATE: return 8;
    case VT_BSTR: return static_cast<long>(SysStringLen(v.bstrVal));
    case VT_UI1: return 1;
    default: return 0;
  }
}

const wchar_t* TypeWord(long type, bool friendly) {
  switch (type) {
    case REG_SZ: return friendly ? L"String" : L"SZ";
    case REG_EXPAND_SZ: return friendly ? L"String With Environment Variables" : L"EXPANDSZ";
    case REG_BINARY: return friendly ? L"Binary" : L"BINARY";
    case REG_DWORD: return friendly ? L"DWord" : L"DWORD";
    case REG_DWORD_BIG_ENDIAN: return friendly ? L"DWord (Big Endian)" : L"DWORD(B)";
    case REG_LINK: return friendly ? L"Link" : L"LINK";
    case REG_MULTI_SZ: return friendly ? L"Multiple Strings" : L"MULTISZ";
    default: return friendly ? L"None" : L"NONE";
  }
}

}  // namespace reg
}  // namespace kz
