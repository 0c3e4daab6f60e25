// The default interfaces of the system helpers: members in slot order, as clients see them
// through the type library, and the classes registered for creation by clients.
#include <string>
#include <vector>

#include "com/dispatch.h"
#include "frame/catalogue.h"
#include "testkit.h"

namespace {

// Member names of an interface in slot order, a property's accessors each named once per
// accessor (get, then put).
std::vector<std::wstring> Members(REFIID iid) {
  std::vector<std::wstring> names;
  ITypeInfo* ti = kz::TypeInfoOf(iid);
  if (!ti) return names;
  ITypeInfo* own = ti;
  HREFTYPE ref;
  // A dual interface's dispatch view lists IUnknown and IDispatch first: read the vtable view.
  if (SUCCEEDED(ti->GetRefTypeOfImplType(-1, &ref)) && SUCCEEDED(ti->GetRefTypeInfo(ref, &own))) {
  } else {
    own = ti;
    own->AddRef();
  }
  TYPEATTR* ta = nullptr;
  own->GetTypeAttr(&ta);
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    own->GetFuncDesc(i, &fd);
    BSTR name = nullptr;
    own->GetDocumentation(fd->memid, &name, nullptr, nullptr, nullptr);
    names.push_back(kz::FromBstr(name));
    SysFreeString(name);
    own->ReleaseFuncDesc(fd);
  }
  own->ReleaseTypeAttr(ta);
  own->Release();
  return names;
}

TEST(SysadminMembers, InterfacesListTheirMembersInSlotOrder) {
  struct Case {
    const wchar_t* cls;
    const IID* iid;
    std::vector<std::wstring> members;
  } cases[] = {
      {L"clsKelzudSystemRestoreA", &IID__clsKelzudSystemRestoreA,
       {L"EnumerateAllRestorePoints", L"RollBackToSpecificRestorePoint", L"CreateSpecificRestorePoint",
        L"EnableDisableRestorePointonDrive"}},
      {L"clsKELZUDTasksA", &IID__clsKELZUDTasksA, {L"AddNetScheduleJob"}},
      {L"clsKelzudWNetwA", &IID__clsKelzudWNetwA, {L"GetDomains", L"EnumDomains"}},
      {L"clsKelzudEthernetAddressA", &IID__clsKelzudEthernetAddressA,
       {L"EthernetAddress", L"AdapterType", L"AdapterType", L"NameCount", L"NameCount", L"RevMajor", L"RevMajor",
        L"RevMinor", L"RevMinor", L"EnetAddressDec", L"EnetAddressDec"}},
      {L"clsKelzudWinOnTopA", &IID__clsKelzudWinOnTopA, {L"PutWindowOnTop"}},
      {L"clsKelzud10RunTimeA", &IID__clsKelzud10RunTimeA,
       {L"MinAllDekstopWindows", L"AppCabSwapingWinDir", L"GetCurrentOSVer"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.cls));
    EXPECT_EQ(Members(*c.iid), c.members);
    const kz::ClassEntry* e = kz::FindClass(c.cls);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(kz::IsPublished(*e));
    std::wstring progid = std::wstring(L"Kelzud10.") + c.cls;
    EXPECT_HRESULT_SUCCEEDED(kzt::TryCreate(progid.c_str()));
  }
}

}  // namespace
