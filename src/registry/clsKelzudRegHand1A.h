// The registry object: opens keys and remembers them in its open-key table, reads and writes
// values with conversion between registry data and Variant, and lists subkeys and values into
// key and value collections, announcing each entry by event or to a buddy object.
#pragma once
#include <string>
#include <unordered_set>
#include <vector>

#include "frame/kz.h"
#include "com/collection.h"
#include "com/comobject.h"
#include "com/events.h"
#include "com/ptr.h"
#include "com/variant.h"

namespace kz {

class RegistryKey;
class RegistryKeys;
class RegistryValues;

class RegistryObject : public ComObject<RegistryObject, _clsKelzudRegHand1A> {
  KZ_CLASS(clsKelzudRegHand1A)
 public:
  RegistryObject();
  ~RegistryObject() override;

  // Automation interface.
  STDMETHODIMP get_BuddyObject(IDispatch** ret) override;
  STDMETHODIMP putref_BuddyObject(IDispatch* rhs) override;
  STDMETHODIMP AbortEnum() override;
  STDMETHODIMP get_Count(long* ret) override;
  STDMETHODIMP get_Item(VARIANT vntIndexKey, long* ret) override;
  STDMETHODIMP put_Item(VARIANT vntIndexKey, long rhs) override;
  STDMETHODIMP OpenKey(StandardRegistryKeys uKey, BSTR szSubKey, VARIANT_BOOL fMustExist, BSTR vntIndexKey,
                       long* ret) override;
  STDMETHODIMP CloseKey(VARIANT uKey) override;
  STDMETHODIMP GetValue(long uKey, BSTR szValue, VARIANT* DefaultValue, RegistryDataTypes* lpType,
                        VARIANT* ret) override;
  STDMETHODIMP GetMultiSZ(BSTR vData, SAFEARRAY** ret) override;
  STDMETHODIMP ToMultiSZ(SAFEARRAY** vData, BSTR* ret) override;
  STDMETHODIMP SetValue(long uKey, BSTR szValue, VARIANT* vData, long* ret) override;
  STDMETHODIMP GetKeyObject(long uKey, VARIANT_BOOL fEnumValues, _clsKelzudRegHand1KeyA** ret) override;
  STDMETHODIMP enumKeys(StandardRegistryKeys uKey, VARIANT_BOOL fRaiseEvents, VARIANT_BOOL fDoEvents,
                        VARIANT_BOOL fReturnNothing, _clsKelzudRegHand1KeysA** ret) override;
  STDMETHODIMP EnumValues(StandardRegistryKeys uKey, VARIANT_BOOL fRaiseEvents, VARIANT_BOOL fDoEvents,
                          VARIANT_BOOL fReturnNothing, _clsKelzudRegHand1ValuesA** ret) override;
  STDMETHODIMP DeleteValue(long uKey, BSTR szValue, VARIANT* ret) override;
  STDMETHODIMP DeleteKey(long uKey, BSTR szSubKey, VARIANT* ret) override;

  // The same behaviour for the library's own code.

  // Opens (or, unless must_exist, creates) a key and records it; -1 when that fails.
  long Open(long key, const std::wstring& sub_key, bool must_exist, const std::wstring& index_key);
  // Closes a handle given as a Long, or the one recorded under a table key given as text.
  void Close(const VARIANT& key);
  void CloseHandle(long handle);
  long TableCount() const { return table_->size(); }
  // Handle under a 1-based position or table key; -1 when there is none.
  long HandleAt(const VARIANT& index) const;
  bool IsOpen(long handle) const { return owned_.count(handle) != 0; }
  // The platform handle a key number stands for here: null for a number this object has
  // closed (and not opened again since).
  HKEY KeyOf(long key) const;

  // Reads a value. With `default_value` (not null), a value without data is written from it
  // and it is returned. `type` (not null) receives the value's type when there is data.
  Var Read(long key, const std::wstring& name, const VARIANT* default_value, long* type);
  // Writes `data` with the registry type its subtype chooses, deletes the value when `data`
  // is null, writes nothing for an object; returns the platform's result code (0 = success).
  long Write(long key, const std::wstring& name, const VARIANT* data);
  void RemoveValue(long key, const std::wstring& name);
  void RemoveKey(long key, const std::wstring& sub_key);

  Ptr<RegistryKey> KeyObject(long key, bool enum_values);
  Ptr<RegistryKeys> ListKeys(long key, bool raise_events, bool do_events, bool return_nothing);
  Ptr<RegistryValues> ListValues(long key, bool raise_events, bool do_events, bool return_nothing);
  void Abort() { abort_ = true; }
  bool abort_pending() const { return abort_; }
  IDispatch* buddy() const { return buddy_.get(); }

 protected:
  void* QueryExtra(REFIID riid) override { return events_.Query(riid); }

 private:
  void Record(long handle, const std::wstring& table_key);
  void CloseOwnedKey(long handle);  // closes a handle this object opened, and remembers its number
  void AnnounceKey(const std::wstring& name, bool has_children);
  void AnnounceValue(IDispatch* value);
  static void CheckCanAnnounce(bool raise_events, bool return_nothing);

  EventSource events_;
  Ptr<Collection> table_;            // the open-key table: handles under table keys
  std::unordered_set<long> owned_;   // every handle opened here and not closed yet
  std::unordered_set<long> closed_;  // numbers this object has closed and not opened again
  Ptr<IDispatch> buddy_;
  bool abort_ = false;
};

}  // namespace kz
