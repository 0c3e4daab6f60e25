// The library's Collection: an ordered, 1-based list of Variants with optional unique string
// keys compared without regard to case. Error 457 for a key already present, 5 for an absent
// key, 9 for a position outside 1..Count; For Each walks a snapshot of the items. Adding at the
// end, finding a key or a position and removing cost O(log n) at most, whatever the count.
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
  long size() const { return live_; }
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
    bool live = true;
  };
  static std::wstring Fold(const std::wstring& key);
  // Removal leaves a gap in `slots_` and counts one live entry less in the tree, so that no
  // position or key index has to move: positions come from counting the live slots before a
  // slot (a Fenwick tree, O(log n)). Gaps are squeezed out once they outnumber the entries.
  size_t SlotAt(long position) const;  // the slot of a 1-based position (1..size())
  long PositionOfSlot(size_t slot) const;
  long LiveBefore(size_t end) const;  // live entries in slots [0, end)
  void PushSlot(Entry e);
  void Rebuild(std::vector<Entry> entries);  // all live, in order

  std::vector<Entry> slots_;
  std::vector<long> tree_;  // Fenwick tree over slots_, 1-based (tree_[0] unused)
  long live_ = 0;
  std::unordered_map<std::wstring, size_t> keys_;  // folded key -> slot
};

// An IEnumVARIANT over a fixed list of values (For Each).
IUnknown* MakeEnumVariant(std::vector<Var> items);

}  // namespace kz
