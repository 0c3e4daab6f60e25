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

long Collection::LiveBefore(size_t end) const {
  long n = 0;
  for (size_t i = end; i > 0; i &= i - 1) n += tree_[i];
  return n;
}

long Collection::PositionOfSlot(size_t slot) const { return LiveBefore(slot + 1); }

size_t Collection::SlotAt(long position) const {
  // Descends the tree to the slot where the count of live slots reaches `position`.
  size_t at = 0, step = 1;
  while (step * 2 < tree_.size()) step *= 2;
  long left = position;
  for (; step; step /= 2) {
    if (at + step < tree_.size() && tree_[at + step] < left) {
      at += step;
      left -= tree_[at];
    }
  }
  return at;  // 0-based: the slot after the `at` slots passed over
}

void Collection::PushSlot(Entry e) {
  if (tree_.empty()) tree_.push_back(0);
  size_t i = slots_.size() + 1;  // its 1-based index in the tree
  // The node covers the slots (i - lowbit(i), i]: the new one and live ones before it.
  size_t low = i & (~i + 1);
  tree_.push_back(1 + LiveBefore(i - 1) - LiveBefore(i - low));
  if (e.has_key) keys_[Fold(e.key)] = slots_.size();
  slots_.push_back(std::move(e));
  ++live_;
}

void Collection::Rebuild(std::vector<Entry> entries) {
  slots_ = std::move(entries);
  live_ = static_cast<long>(slots_.size());
  tree_.assign(slots_.size() + 1, 1);
  tree_[0] = 0;
  for (size_t i = 1; i < tree_.size(); ++i) {
    size_t parent = i + (i & (~i + 1));
    if (parent < tree_.size()) tree_[parent] += tree_[i];
  }
  keys_.clear();
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].has_key) keys_[Fold(slots_[i].key)] = i;
}

long Collection::Find(const std::wstring& key) const {
  auto it = keys_.find(Fold(key));
  return it == keys_.end() ? 0 : PositionOfSlot(it->second);
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
      if (d < 1 || d > static_cast<double>(size())) Raise(kErrSubscript);
      return static_cast<long>(d);
    }
    case VT_EMPTY:
    case VT_ERROR: Raise(kErrInvalidCall);
    default: Raise(kErrTypeMismatch);
  }
}

const VARIANT& Collection::At(long position) const {
  if (position < 1 || position > size()) Raise(kErrSubscript);
  return *slots_[SlotAt(position)].item.get();
}

void Collection::Append(const VARIANT& item, const std::wstring* key) {
  if (key && Find(*key)) Raise(kErrKeyExists);
  Entry e;
  e.item = Var(item);
  if (key) { e.key = *key; e.has_key = true; }
  PushSlot(std::move(e));
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
  long at = size();  // entries before the new one
  if (has_before) at = PositionOf(*before) - 1;
  if (has_after) at = PositionOf(*after);
  Entry e;
  e.item = Deref(&item);
  e.key = k;
  e.has_key = has_key;
  if (at == size()) {
    PushSlot(std::move(e));
    return;
  }
  // Within the list: the live entries are laid out again with the new one among them.
  std::vector<Entry> entries;
  entries.reserve(static_cast<size_t>(size()) + 1);
  long seen = 0;
  for (auto& s : slots_) {
    if (!s.live) continue;
    if (seen++ == at) entries.push_back(std::move(e));
    entries.push_back(std::move(s));
  }
  Rebuild(std::move(entries));
}

void Collection::RemoveAt(long position) {
  if (position < 1 || position > size()) Raise(kErrSubscript);
  size_t slot = SlotAt(position);
  Entry& e = slots_[slot];
  Var gone = std::move(e.item);  // released last, when the list is consistent again
  if (e.has_key) keys_.erase(Fold(e.key));
  e = Entry();
  e.live = false;
  for (size_t i = slot + 1; i < tree_.size(); i += i & (~i + 1)) --tree_[i];
  --live_;
  size_t gaps = slots_.size() - static_cast<size_t>(live_);
  if (gaps > 64 && gaps > static_cast<size_t>(live_)) {
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(live_));
    for (auto& s : slots_)
      if (s.live) entries.push_back(std::move(s));
    Rebuild(std::move(entries));
  }
}

void Collection::Clear() {
  std::vector<Entry> gone;
  gone.swap(slots_);
  tree_.clear();
  keys_.clear();
  live_ = 0;
}

std::vector<Var> Collection::Snapshot() const {
  std::vector<Var> out;
  out.reserve(static_cast<size_t>(size()));
  for (const auto& e : slots_)
    if (e.live) out.push_back(e.item);
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
