// The database action through stand-in database components: the connection string, the
// record-set open, the row-count box, the appended field, and the failures that end the
// action.
#include <deque>
#include <string>

#include "frame/kz.h"
#include "frame/modules.h"
#include "base/text.h"
#include "ini/actions/basDBConnection.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "platform/database.h"
#include "platform/ui.h"
#include "../sysadmin/standins.h"
#include "testkit.h"

using namespace kzt;
using kz::Var;

namespace {

// Stand-ins for the connection and record-set components: every instance is kept, with the
// calls it received. Connections from number `refuse_from` (counted from 0) on refuse Open; a
// record set refuses Open without a connection, as the real component does.
struct Components : kz::DatabaseComponents {
  int refuse_from = -1;
  long rows = 3;
  std::deque<Held> connections, recordsets, field_sets;
  std::vector<std::wstring> connection_strings;

  HRESULT Create(const std::wstring& progid, IDispatch** out) override {
    Scripted* s = Scripted::New();
    if (progid == L"ADODB.Connection") {
      bool refuse = refuse_from >= 0 && static_cast<int>(connections.size()) >= refuse_from;
      s->On(L"connectionstring", [this](std::vector<VARIANT*>& a, VARIANT*) {
         if (!a.empty()) connection_strings.push_back(kz::VarToStr(a[0]));
         return S_OK;
       })
          ->On(L"Open", [refuse](std::vector<VARIANT*>&, VARIANT*) { return refuse ? E_FAIL : S_OK; });
      connections.emplace_back(s);
    } else if (progid == L"ADODB.Recordset") {
      Scripted* fields = Scripted::New()->On(L"Append", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; });
      field_sets.emplace_back(fields);
      s->On(L"Open", [](std::vector<VARIANT*>& a, VARIANT*) {
         kz::Var c = kz::Deref(a.size() > 1 ? a[1] : nullptr);
         return c.vt() == VT_DISPATCH && c.get()->pdispVal ? S_OK : E_INVALIDARG;
       })
          ->Value(L"recordcount", Var::Long(rows))
          ->On(L"movefirst", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; })
          ->Value(L"Fields", Var::Object(fields));
      recordsets.emplace_back(s);
    } else {
      s->Release();
      return REGDB_E_CLASSNOTREG;
    }
    s->AddRef();
    *out = s;
    return S_OK;
  }
};

class DatabaseAction : public ::testing::Test {
 protected:
  void SetUp() override {
    h_ = kz::MakeObject<kz::IniFileHandler>();
    h_->set_path(dir_.File(L"db.ini"));
  }
  void TearDown() override { h_->Release(); }
  void Lines(const std::vector<std::wstring>& values) {
    std::string text = "[Db]\r\n";
    int n = 0;
    for (auto& v : values) text += "line" + std::to_string(++n) + "=" + kz::ToAnsi(v) + "\r\n";
    WriteFileText(h_->path(), text);
    h_->set_section(L"Db");
  }
  CallResult Run() {
    Var c = Var::Long(kelzudIFHPalsCDBTableFld);
    return Call(h_->itf(), L"Pals", {c.get()});
  }
  TempDir dir_;
  kz::IniFileHandler* h_ = nullptr;
  Components db_;
  kz::ScopedSeam<kz::DatabaseComponents> use_{db_};
};

std::wstring WindowsFolder() {
  wchar_t buf[MAX_PATH];
  GetWindowsDirectoryW(buf, MAX_PATH);
  return buf;
}

TEST_F(DatabaseAction, EachLineOpensTheTableShowsItsRowsAndAppendsOneField) {
  UnattendedLog boxes;
  Lines({L"%windir%\\data\\shop.mdb,secret,  Orders ,  Note ,202x,50,2", L"c:\\a.mdb,,T,F,,abc,-3.5"});
  CallResult r = Run();
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  ASSERT_EQ(db_.connection_strings.size(), 2u);
  EXPECT_EQ(db_.connection_strings[0], L"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source= " + WindowsFolder() +
                                           L"\\data\\shop.mdb;Jet OLEDB:Database Password= secret;");
  EXPECT_EQ(db_.connection_strings[1], L"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source= c:\\a.mdb;Jet OLEDB:Database Password= ;");

  ASSERT_EQ(db_.recordsets.size(), 2u);
  const auto& open = db_.recordsets[0]->calls().front();
  EXPECT_EQ(open.name, L"Open");
  ASSERT_EQ(open.args.size(), 4u);
  EXPECT_EQ(kz::VarToStr(open.args[0].get()), L"SELECT * FROM Orders");
  EXPECT_EQ(open.args[1].get()->pdispVal, static_cast<IDispatch*>(db_.connections[0].get()));
  EXPECT_EQ(kz::VarToLong(open.args[2].get()), 1);
  EXPECT_EQ(kz::VarToLong(open.args[3].get()), 3);
  std::vector<std::wstring> names;
  for (auto& c : db_.recordsets[0]->calls()) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Open", L"recordcount", L"movefirst", L"Fields"}));

  struct Appended { const wchar_t* name; double type, size, attributes; } want[] = {{L"Note", 202, 50, 2}, {L"F", 0, 0, -3.5}};
  for (size_t i = 0; i < 2; ++i) {
    ASSERT_EQ(db_.field_sets[i]->calls().size(), 1u);
    const auto& a = db_.field_sets[i]->calls()[0];
    ASSERT_EQ(a.args.size(), 4u);
    EXPECT_EQ(kz::VarToStr(a.args[0].get()), want[i].name);
    EXPECT_EQ(a.args[1].get()->dblVal, want[i].type);
    EXPECT_EQ(a.args[2].get()->dblVal, want[i].size);
    EXPECT_EQ(a.args[3].get()->dblVal, want[i].attributes);
  }
  std::wstring count_box = kz::UnattendedRecord(MB_OK, kz::LibraryTitle(), L"3");
  EXPECT_EQ(boxes.Records(), (std::vector<std::wstring>{count_box, count_box}));
}

TEST_F(DatabaseAction, AConnectionThatFailsShowsItsErrorAndTheOpenWithoutItEndsTheAction) {
  struct Case {
    const wchar_t* first;  // the line that fails; the line before it appends
    bool refuse_open;
    std::wstring box;
  } cases[] = {
      {L"c:\\b.mdb,wrong,T,F,1,1,1", true, kz::UnattendedRecord(16, std::to_wstring(static_cast<long>(E_FAIL)), L"Refused: Open")},
      // A semicolon would let the path set other connection properties: refused before any
      // connection string is set.
      {L"c:\\b.mdb;Mode=Share Deny None,,T,F,1,1,1", false,
       kz::UnattendedRecord(16, L"5", L"Invalid procedure call or argument")},
      {L"c:\\b.mdb,pw\"x,T,F,1,1,1", false, kz::UnattendedRecord(16, L"5", L"Invalid procedure call or argument")},
  };
  for (const Case& c : cases) {
    Components fresh;
    fresh.refuse_from = c.refuse_open ? 1 : -1;  // the first line's connection opens
    kz::ScopedSeam<kz::DatabaseComponents> use(fresh);
    UnattendedLog boxes;
    Lines({L"c:\\a.mdb,,T,F,1,1,1", c.first, L"c:\\c.mdb,,T,F,1,1,1"});
    CallResult r = Run();
    EXPECT_EQ(r.error, 5) << kz::ToAnsi(c.first);  // the record set's refusal (E_INVALIDARG), as a client sees it
    EXPECT_EQ(h_->key(), L"line2");
    ASSERT_EQ(fresh.field_sets.size(), 2u);
    EXPECT_EQ(fresh.field_sets[0]->calls().size(), 1u) << "the first line's field stays appended";
    EXPECT_TRUE(fresh.field_sets[1]->calls().empty());
    std::vector<std::wstring> want{kz::UnattendedRecord(MB_OK, kz::LibraryTitle(), L"3"), c.box};
    EXPECT_EQ(boxes.Records(), want) << kz::ToAnsi(c.first);
  }
}

TEST_F(DatabaseAction, MissingFieldsAndMissingComponents) {
  UnattendedLog boxes;
  Lines({L"c:\\a.mdb,,T,F"});
  EXPECT_EQ(Run().error, 9) << "fields 4 to 6 are missing";
  Lines({L"c:\\a.mdb"});
  EXPECT_EQ(Run().error, 9) << "no password field";

  struct None : kz::DatabaseComponents {
    HRESULT Create(const std::wstring&, IDispatch** out) override {
      *out = nullptr;
      return REGDB_E_CLASSNOTREG;
    }
  } none;
  kz::ScopedSeam<kz::DatabaseComponents> use(none);
  Lines({L"c:\\a.mdb,,T,F,1,1,1"});
  CallResult r = Run();
  EXPECT_EQ(r.error, 429);
  // The connection could not be created: its box says so, then the record set cannot either.
  ASSERT_FALSE(boxes.Records().empty());
  EXPECT_EQ(boxes.Records().back(), kz::UnattendedRecord(16, L"429", L"ActiveX component can't create object"));
}

}  // namespace
