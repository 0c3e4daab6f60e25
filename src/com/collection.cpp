#include "com/collection.h"

#include <cmath>

#include "base/error.h"
#include "com/refcounted.h"

namespace kz {
namespace {

class EnumVariant : public RefCounted<IEnumVARIANT> {
 public:
  explicit EnumVariant(std::vector<Var> items, size_t pos = 0) : items_(std::move(items)), pos_(pos) {}

  STDMETHODIMP Next(ULONG n, VARIANT* out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    ULONG got = 0;
    for (; got < n && pos_ < items_.size(); ++got, ++pos_) {
      VariantInit(&out[got]);
      VariantCopy(&out[got], items_[pos_].get());
    }
    if (fetched) *fetched = got;
    return got == n ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG n) override {
    pos_ += n;
    if (pos_ > items_.size()) { pos_ = items_.size(); return S_FALSE; }
    return S_OK;
  }
  STDMETHODIMP Reset() override { pos_ = 0; return S_OK; }
  STDMETHODIMP Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    *out = new EnumVariant(items_, pos_);
    return S_OK;
  }

 private:
  std::vector<Var> items_;
  size_t pos_;
};

}  // namespace

IUnknown* MakeEnumVariant(std::vector<Var> items) {
  return new EnumVariant(std::move(items));
}

std::wstring Collection::Fold(const std::wstring& key) { return LowerCase(key); }

void Collection::Reindex() {
  keys_.clear();
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].has_key) keys_[Fold(items_[i].key)] = static_cast<long>(i + 1);
}

long Collection::Find(const std::wstring& key) const {
  auto it = keys_.find(Fold(key));
  return it == keys_.end() ? 0 : it->second;
}

long Collection::PositionOf(const VARIANT& index) const {
  Var v = Deref(&index);
  switch (v.vt()) {
    case VT_BSTR: {
      long p = Find(FromBstr(v.get()->bstrVal));
      if (!p) Raise(kErrInvalidCall);
      return p;
    }
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL: case VT_BOOL: case VT_I8: case VT_UI8: {
      Var r;
      if (FAILED(VariantChangeType(r.get(), v.get(), 0, VT_R8))) Raise(kErrTypeMismatch);
      double d = std::nearbyint(r.get()->dblVal);
      if (d < 1 || d > static_cast<double>(items_.size())) Raise(kErrSubscript);
      return static_cast<long>(d);
    }
    case VT_EMPTY:
    case VT_ERROR: Raise(kErrInvalidCall);
    default: Raise(kErrTypeMismatch);
  }
}

const VARIANT& Collection::At(long position) const {
  if (position < 1 || position > size()) Raise(kErrSubscript);
  return *items_[static_cast<size_t>(position - 1)].item.get();
}

void Collection::Append(const VARIANT& item, const std::wstring* key) {
  if (key && Find(*key)) Raise(kErrKeyExists);
  Entry e;
  e.item = Var(item);
  if (key) { e.key = *key; e.has_key = true; keys_[Fold(*key)] = size() + 1; }
  items_.push_back(std::move(e));
}

void Collection::Insert(const VARIANT& item, const VARIANT* key, const VARIANT* before, const VARIANT* after) {
  bool has_before = before && !IsMissing(before), has_after = after && !IsMissing(after);
  if (has_before && has_after) Raise(kErrInvalidCall);
  std::wstring k;
  bool has_key = key && !IsMissing(key);
  if (has_key) {
    k = VarToStr(key);
    if (Find(k)) Raise(kErrKeyExists);
  }
  size_t at = items_.size();
  if (has_before) at = static_cast<size_t>(PositionOf(*before) - 1);
  if (has_after) at = static_cast<size_t>(PositionOf(*after));
  Entry e;
  e.item = Deref(&item);
  e.key = k;
  e.has_key = has_key;
  items_.insert(items_.begin() + static_cast<long>(at), std::move(e));
  if (at + 1 == items_.size()) {
    if (has_key) keys_[Fold(k)] = static_cast<long>(items_.size());
  } else {
    Reindex();
  }
}

void Collection::RemoveAt(long position) {
  if (position < 1 || position > size()) Raise(kErrSubscript);
  items_.erase(items_.begin() + (position - 1));
  Reindex();
}

void Collection::Clear() {
  items_.clear();
  keys_.clear();
}

std::vector<Var> Collection::Snapshot() const {
  std::vector<Var> out;
  out.reserve(items_.size());
  for (const auto& e : items_) out.push_back(e.item);
  return out;
}

STDMETHODIMP Collection::Add(VARIANT* item, VARIANT* key, VARIANT* before, VARIANT* after) {
  return Guard([&] {
    if (!item) Raise(kErrInvalidCall);
    Insert(*item, key, before, after);
  });
}

STDMETHODIMP Collection::Count(long* ret) {
  *ret = size();
  return S_OK;
}

STDMETHODIMP Collection::Remove(VARIANT* index) {
  return Guard([&] {
    if (!index) Raise(kErrInvalidCall);
    RemoveAt(PositionOf(*index));
  });
}

STDMETHODIMP Collection::Item(VARIANT* index, VARIANT* ret) {
  return Guard([&] {
    if (!index) Raise(kErrInvalidCall);
    VariantInit(ret);
    ThrowIfFailed(VariantCopy(ret, const_cast<VARIANT*>(&At(PositionOf(*index)))));
  });
}

STDMETHODIMP Collection::_NewEnum(IUnknown** ret) {
  return Guard([&] { *ret = MakeEnumVariant(Snapshot()); });
}

}  // namespace kz
