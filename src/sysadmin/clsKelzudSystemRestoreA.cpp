#include "sysadmin/clsKelzudSystemRestoreA.h"

#include <new>
#include <vector>

#include "base/text.h"
#include "com/latebound.h"
#include "frame/catalogue.h"
#include "platform/management.h"
#include "platform/ui.h"

namespace kz {

const wchar_t KelzudSystemRestoreA::kListMoniker[] = L"winmgmts:\\\\.\\root\\default";
const wchar_t KelzudSystemRestoreA::kRollBackMoniker[] = L"winmgmts:\\\\.\\root\\Default:SystemRestore";
const wchar_t KelzudSystemRestoreA::kCreateMoniker[] = L"winmgmts:\\\\.\\root\\default:Systemrestore";
const wchar_t KelzudSystemRestoreA::kMonitorMoniker[] = L"winmgmts:\\\\.\\root\\default:SystemRestore";

namespace {

const long kInformationBox = 64;  // OK button, information icon
const long kApplicationInstall = 0;
const long kBeginSystemChange = 100;

Ptr<IDispatch> ObjectOf(const wchar_t* moniker) {
  return Ptr<IDispatch>::Adopt(Seam<ManagementObjects>().ObjectOf(moniker));
}

// The members of a set the service returns, in its order (a script's For Each).
std::vector<Var> MembersOf(const Var& set) {
  Var value = Deref(set.get());
  if (value.vt() != VT_DISPATCH || !value.get()->pdispVal) Raise(kErrObjectNotSet);
  IDispatch* d = value.get()->pdispVal;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  Var e;
  EXCEPINFO ei{};
  HRESULT hr = d->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                         &none, e.get(), &ei, nullptr);
  if (hr == DISP_E_EXCEPTION) {
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrHelpFile);
    std::wstring desc = FromBstr(ei.bstrDescription);
    SysFreeString(ei.bstrDescription);
    long number = ei.scode ? ErrorNumberOf(ei.scode) : ei.wCode;
    throw desc.empty() ? Error(number) : Error(number, L"", desc);
  }
  if (FAILED(hr)) throw Error(kErrNoMember);  // not a set that For Each can walk
  IUnknown* u = (e.vt() == VT_UNKNOWN || e.vt() == VT_DISPATCH) ? e.get()->punkVal : nullptr;
  Ptr<IEnumVARIANT> walk;
  if (!u || FAILED(u->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(walk.out()))) || !walk)
    throw Error(kErrNoMember);
  std::vector<Var> items;
  for (;;) {
    Var item;
    ULONG got = 0;
    hr = walk->Next(1, item.get(), &got);
    if (FAILED(hr)) throw Error::FromHresult(hr);
    if (hr != S_OK || got == 0) break;
    items.push_back(std::move(item));
  }
  return items;
}

// A property's value as text, the way "&" joins it: Null and Empty give "".
std::wstring TextOf(IDispatch* item, const wchar_t* property) {
  Var v = GetProp(item, property);
  Var value = Deref(v.get());
  if (value.vt() == VT_NULL || value.vt() == VT_EMPTY) return std::wstring();
  return VarToStr(value.get());
}

IDispatch* ItemObject(const Var& item) {
  Var value = Deref(item.get());
  if (value.vt() != VT_DISPATCH || !value.get()->pdispVal) Raise(kErrObjectNotSet);
  return value.get()->pdispVal;
}

// The one failure report of the class: the description in an information box titled with the
// error's number.
template <class F>
bool Reported(F&& step) {
  try {
    step();
    return true;
  } catch (const Error& e) {
    ShowMessage(e.description(), kInformationBox, std::to_wstring(e.number()));
  } catch (const std::bad_alloc&) {
    ShowMessage(StdDescription(kErrOutOfMemory), kInformationBox, std::to_wstring(kErrOutOfMemory));
  } catch (...) {
    ShowMessage(StdDescription(kErrInvalidCall), kInformationBox, std::to_wstring(kErrInvalidCall));
  }
  return false;
}

}  // namespace

Ptr<Collection> KelzudSystemRestoreA::RestorePoints() {
  Ptr<Collection> list;
  bool ok = Reported([&] {
    Ptr<IDispatch> service = ObjectOf(kListMoniker);
    Var points = CallByName(service.get(), L"InstancesOf", DISPATCH_METHOD, std::vector<Var>{Var::Str(L"systemrestore")});
    std::vector<Var> members = MembersOf(points);
    Ptr<Collection> c = Ptr<Collection>::Adopt(MakeObject<Collection>());
    for (const Var& m : members) {
      IDispatch* point = ItemObject(m);
      std::wstring entry = TextOf(point, L"sequencenumber");
      entry += L"^";
      entry += TextOf(point, L"Description");
      entry += L"^";
      entry += TextOf(point, L"creationtime");
      Var text = Var::Str(entry);
      c->Append(*text.get());
    }
    list = c;
  });
  if (!ok) list.reset();
  return list;
}

void KelzudSystemRestoreA::RollBack(const VARIANT& sequence_number) {
  Reported([&] {
    Var number = Deref(&sequence_number);
    Ptr<IDispatch> restore = ObjectOf(kRollBackMoniker);
    CallByName(restore.get(), L"Restore", DISPATCH_METHOD, std::vector<Var>{number});
  });
}

void KelzudSystemRestoreA::Create(const std::wstring& description) {
  Reported([&] {
    Ptr<IDispatch> restore = ObjectOf(kCreateMoniker);
    CallByName(restore.get(), L"CreateRestorePoint", DISPATCH_METHOD,
               std::vector<Var>{Var::Str(description), Var::Long(kApplicationInstall), Var::Long(kBeginSystemChange)});
  });
}

void KelzudSystemRestoreA::Monitor(std::wstring& drive, VARIANT_BOOL enable) {
  Reported([&] {
    if (drive.empty() || drive.back() != L'\\') drive += L'\\';
    const wchar_t* member = enable == VARIANT_TRUE ? L"enable" : enable == VARIANT_FALSE ? L"disable" : nullptr;
    if (!member) return;  // neither true nor false: nothing to switch
    Ptr<IDispatch> restore = ObjectOf(kMonitorMoniker);
    CallByName(restore.get(), member, DISPATCH_METHOD, std::vector<Var>{Var::Str(drive)});
  });
}

STDMETHODIMP KelzudSystemRestoreA::EnumerateAllRestorePoints(_KzCollection** ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] { *ret = RestorePoints().detach(); });
}

STDMETHODIMP KelzudSystemRestoreA::RollBackToSpecificRestorePoint(VARIANT* lSequenceNumber, VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] {
    Var missing = Var::Missing();
    RollBack(lSequenceNumber ? *lSequenceNumber : *missing.get());
  });
}

STDMETHODIMP KelzudSystemRestoreA::CreateSpecificRestorePoint(BSTR* sDescription, VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] { Create(sDescription ? FromBstr(*sDescription) : std::wstring()); });
}

STDMETHODIMP KelzudSystemRestoreA::EnableDisableRestorePointonDrive(BSTR* sDrive, VARIANT_BOOL* bEnable, VARIANT* ret) {
  if (!ret || !sDrive) return E_POINTER;
  VariantInit(ret);
  return Guard([&] {
    std::wstring drive = FromBstr(*sDrive);
    std::wstring before = drive;
    Monitor(drive, bEnable ? *bEnable : VARIANT_TRUE);
    if (drive != before) {
      BSTR b = ToBstr(drive);
      SysFreeString(*sDrive);
      *sDrive = b;
    }
  });
}

KZ_REGISTER_CLASS(KelzudSystemRestoreA);

}  // namespace kz
