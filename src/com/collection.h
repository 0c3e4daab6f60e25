// The library's Collection: an ordered, 1-based list of Variants with optional unique string
// keys compared without regard to case. Error 457 for a key already present, 5 for an absent
// key, 9 for a position outside 1..Count; For Each walks a snapshot of the items.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "com/comobject.h"
#include "com/variant.h"
#include "kelzud10.h"  // the collection interface of the type library

namespace kz {

class Collection : public ComObject<Collection, _KzCollection> {
 public:
  static const wchar_t* ClassName() { return L"Collection"; }
  static const CLSID& Clsid() { return CLSID_NULL; }

  // Automation interface.
  STDMETHODIMP Add(VARIANT* item, VARIANT* key, VARIANT* before, VARIANT* after) override;
  STDMETHODIMP Count(long* ret) override;
  STDMETHODIMP Remove(VARIANT* index) override;
  STDMETHODIMP Item(VARIANT* index, VARIANT* ret) override;
  STDMETHODIMP _NewEnum(IUnknown** ret) override;

  // The same for the library's own code; errors are raised as Error.
  void Append(const VARIANT& item, const std::wstring* key = nullptr);
  void Insert(const VARIANT& item, const VARIANT* key, const VARIANT* before, const VARIANT* after);
  long size() const { return static_cast<long>(items_.size()); }
  const VARIANT& At(long position) const;  // 1-based; raises 9
  // Position of an index (number or key); raises 5, 9 or 13 as the Collection does.
  long PositionOf(const VARIANT& index) const;
  // Position of a key, or 0 when absent.
  long Find(const std::wstring& key) const;
  void RemoveAt(long position);
  void Clear();
  std::vector<Var> Snapshot() const;

 private:
  struct Entry {
    Var item;
    std::wstring key;  // as given; empty with has_key false for an entry without key
    bool has_key = false;
  };
  static std::wstring Fold(const std::wstring& key);
  void Reindex();

  std::vector<Entry> items_;
  std::unordered_map<std::wstring, long> keys_;  // folded key -> 1-based position
};

// An IEnumVARIANT over a fixed list of values (For Each).
IUnknown* MakeEnumVariant(std::vector<Var> items);

}  // namespace kz
