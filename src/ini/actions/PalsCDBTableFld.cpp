// The database action: each line opens a database table and appends one field to it.
#include "base/convert.h"
#include "base/text.h"
#include "com/latebound.h"
#include "frame/modules.h"
#include "ini/actions/ActionEngine.h"
#include "ini/actions/basDBConnection.h"
#include "platform/database.h"
#include "platform/ui.h"

namespace kz {
namespace {

Ptr<IDispatch> NewComponent(const wchar_t* progid) {
  IDispatch* d = nullptr;
  if (FAILED(Seam<DatabaseComponents>().Create(progid, &d)) || !d) Raise(kErrCantCreate);
  return Ptr<IDispatch>::Adopt(d);
}

std::wstring TrimSpaces(const std::wstring& s) {
  size_t a = s.find_first_not_of(L' ');
  if (a == std::wstring::npos) return std::wstring();
  return s.substr(a, s.find_last_not_of(L' ') - a + 1);
}

}  // namespace

std::wstring JetConnectionString(const std::wstring& path, const std::wstring& password) {
  for (const std::wstring* part : {&path, &password})
    if (part->find_first_of(L";\"", 0, 2) != std::wstring::npos || part->find(L'\0') != std::wstring::npos)
      Raise(kErrInvalidCall);
  return L"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source= " + path + L";Jet OLEDB:Database Password= " + password + L";";
}

Ptr<IDispatch> OpenJetConnection(std::wstring& path, std::wstring& password) {
  try {
    Ptr<IDispatch> connection = NewComponent(L"ADODB.Connection");
    PutProp(connection.get(), L"connectionstring", Var::Str(JetConnectionString(path, password)));
    CallByName(connection.get(), L"Open", DISPATCH_METHOD, std::vector<Var>{});
    return connection;
  } catch (const Error& e) {
    ShowMessage(e.description(), MB_OK | MB_ICONHAND, std::to_wstring(e.number()));
  }
  return Ptr<IDispatch>();
}

Ptr<IDispatch> OpenTableRecordset(IDispatch* connection, const std::wstring& table) {
  Ptr<IDispatch> records = NewComponent(L"ADODB.Recordset");
  CallByName(records.get(), L"Open", DISPATCH_METHOD,
             std::vector<Var>{Var::Str(L"SELECT * FROM " + table), Var::Object(connection), Var::Long(1), Var::Long(3)});
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  return records;
}

STDMETHODIMP IniFileHandler::PalsCDBTableFld(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      std::wstring path = variables.Expand(Field(f, 0), Lookup::FoldersThenFlagged);
      std::wstring password = Field(f, 1);
      Ptr<IDispatch> connection = OpenJetConnection(path, password);
      Ptr<IDispatch> records = OpenTableRecordset(connection.get(), TrimSpaces(Field(f, 2)));
      ShowMessage(VarToStr(GetProp(records.get(), L"recordcount").get()), MB_OK, LibraryTitle());
      CallByName(records.get(), L"movefirst", DISPATCH_METHOD, std::vector<Var>{});
      Var fields = GetProp(records.get(), L"Fields");
      if (fields.vt() != VT_DISPATCH || !fields.get()->pdispVal) Raise(kErrObjectRequired);
      std::vector<Var> args{Var::Str(TrimSpaces(Field(f, 3))), Var::Double(LeadingNumber(Field(f, 4))),
                            Var::Double(LeadingNumber(Field(f, 5))), Var::Double(LeadingNumber(Field(f, 6)))};
      CallByName(fields.get()->pdispVal, L"Append", DISPATCH_METHOD, args);
    });
  });
}

}  // namespace kz
