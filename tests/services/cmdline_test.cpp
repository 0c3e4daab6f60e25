// Command-line splitting, switches, editing and rebuilding of clsKelzudAppCLAHandlerA.
#include "services/clsKelzudAppCLAHandlerA.h"

#include <random>

#include "testkit.h"

using namespace kzt;
using kz::CommandLineArgs;
using Strings = std::vector<std::wstring>;

namespace {

struct SplitCase {
  const wchar_t* text;
  Strings args;
};

const SplitCase kSplitCases[] = {
    {L"a b  \"c d\" e", {L"a", L"b", L"c d", L"e"}},
    {L"/x:\"1 2\" /y", {L"/x:\"1 2\"", L"/y"}},
    {L"\"\" x", {L"", L"x"}},
    {L"/a:\"x y\"z", {L"/a:\"x y\"", L"z"}},
    {L"  /a   /b  ", {L"/a", L"/b"}},
    {L"", {}},
    {L"     ", {}},
    {L"single", {L"single"}},
    {L"a\tb c", {L"a\tb", L"c"}},  // tabs never separate
    {L"\"a b\"c d", {L"a b", L"c", L"d"}},
    {L"a\"b\"c d", {L"a\"b\"", L"c", L"d"}},
    {L"x \"\" \"\"", {L"x", L"", L""}},
    {L"a  \"b\"", {L"a", L"b"}},
    {L"p=\"q\"", {L"p=\"q\""}},  // no space: the whole text, quotes and all
    // Unbalanced quotes: the rest of the line is one argument.
    {L"\"abc def", {L"abc def"}},
    {L"a \"b c", {L"a", L"b c"}},
    {L"/x:\"a b", {L"/x:\"a b"}},
    {L"one /out:\"C:\\My Files", {L"one", L"/out:\"C:\\My Files"}},
    {L"\"", {L""}},
};

Strings ArrayItems(SAFEARRAY* sa, LONG expected_lbound = 0) {
  Strings out;
  if (!sa) return out;
  LONG lb, ub;
  SafeArrayGetLBound(sa, 1, &lb);
  SafeArrayGetUBound(sa, 1, &ub);
  EXPECT_EQ(lb, expected_lbound);
  for (LONG i = lb; i <= ub; ++i) {
    BSTR b = nullptr;
    SafeArrayGetElement(sa, &i, &b);
    out.push_back(kz::FromBstr(b));
    SysFreeString(b);
  }
  return out;
}

class CmdLineTest : public ::testing::Test {
 protected:
  void SetUp() override { h_ = kz::MakeObject<CommandLineArgs>(); }
  void TearDown() override { h_->Release(); }
  void Hold(const Strings& list) {
    h_->ProcessCommandLine(L"x");
    h_->Remove(0);
    for (const auto& a : list) h_->Add(a);
  }
  CommandLineArgs* h_ = nullptr;
};

}  // namespace

TEST(CmdLineSplit, TableOfCases) {
  for (const auto& c : kSplitCases) EXPECT_EQ(kz::SplitArguments(c.text), c.args) << "[" << kz::ToAnsi(c.text) << "]";
}

TEST_F(CmdLineTest, ProcessWithTextHoldsExactlyItsArguments) {
  h_->ProcessCommandLine(L"  /a   /b  ");
  EXPECT_EQ(h_->args(), (Strings{L"/a", L"/b"}));
  // A new parse replaces the list.
  h_->ProcessCommandLine(L"c");
  EXPECT_EQ(h_->args(), (Strings{L"c"}));
  h_->ProcessCommandLine(L"   ");
  EXPECT_TRUE(h_->args().empty());
}

TEST_F(CmdLineTest, ProcessOwnCommandLinePutsProgramPathFirst) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  BSTR none = SysAllocString(L"");
  VARIANT ret;
  ASSERT_HRESULT_SUCCEEDED(h_->argProcessCMDLine(none, &ret));
  SysFreeString(none);
  EXPECT_EQ(ret.vt, VT_EMPTY);
  // The test program's own name ends in .exe, so element 0 is its full path.
  Strings list = h_->args();
  ASSERT_FALSE(list.empty());
  EXPECT_TRUE(kz::EqualNoCase(list[0], exe)) << kz::ToAnsi(list[0]);
  Strings tail(list.begin() + 1, list.end());
  EXPECT_EQ(tail, kz::SplitArguments(kz::ProcessArgumentText()));
}

TEST(CmdLineSplit, ProcessArgumentTextDropsTheProgramName) {
  std::wstring whole = GetCommandLineW();
  std::wstring args = kz::ProcessArgumentText();
  ASSERT_LT(args.size(), whole.size());
  EXPECT_EQ(whole.substr(whole.size() - args.size()), args);
  EXPECT_TRUE(args.empty() || (args[0] != L' ' && args[0] != L'\t'));
}

TEST_F(CmdLineTest, GetArgsFillsTheCallersArrays) {
  SAFEARRAY* argv = kz::MakeBstrArray({L"old0", L"old1", L"old2"}, 0);
  long argc = 99;
  BSTR args = SysAllocString(L"x \"y z\"");
  BSTR none = SysAllocString(L"");
  VARIANT ret;
  ASSERT_HRESULT_SUCCEEDED(h_->argGetArgs(&argv, &argc, args, none, &ret));
  EXPECT_EQ(argc, 2);
  EXPECT_EQ(ArrayItems(argv), (Strings{L"x", L"y z"}));
  EXPECT_TRUE(h_->args().empty());  // the object's own list is not touched

  // With no arguments given the command line CLA is parsed after the program path.
  BSTR cla = SysAllocString(L"/q  file");
  ASSERT_HRESULT_SUCCEEDED(h_->argGetArgs(&argv, &argc, none, cla, &ret));
  EXPECT_EQ(argc, 3);
  Strings got = ArrayItems(argv);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], kz::ProgramPathArgument());
  EXPECT_EQ(Strings(got.begin() + 1, got.end()), (Strings{L"/q", L"file"}));

  // Blank arguments: nothing is stored, so the caller's array stays as it was, count 0.
  BSTR blank = SysAllocString(L"   ");
  ASSERT_HRESULT_SUCCEEDED(h_->argGetArgs(&argv, &argc, blank, cla, &ret));
  EXPECT_EQ(argc, 0);
  EXPECT_EQ(ArrayItems(argv).size(), 3u);

  // Neither given: the process's own command line.
  SAFEARRAY* own = nullptr;
  ASSERT_HRESULT_SUCCEEDED(h_->argGetArgs(&own, &argc, none, none, &ret));
  Strings list = ArrayItems(own);
  EXPECT_EQ(static_cast<size_t>(argc), list.size());
  EXPECT_EQ(list, CommandLineArgs::ParseList(L"", L""));
  SafeArrayDestroy(own);
  SafeArrayDestroy(argv);
  for (BSTR b : {args, none, cla, blank}) SysFreeString(b);
}

TEST_F(CmdLineTest, GetArgsThroughDispatchWritesByReferenceVariables) {
  Var argv, argc = Var::Long(7), text = Var::Str(L"a b c");
  CallResult r = Call(h_->itf(), L"argGetArgs", {&argv, &argc, text.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  ASSERT_EQ(argv.vt(), VT_ARRAY | VT_VARIANT);
  LONG ub = -1;
  SafeArrayGetUBound(argv.get()->parray, 1, &ub);
  EXPECT_EQ(ub, 2);
  EXPECT_EQ(kz::VarToLong(argc.get()), 3);
}

TEST_F(CmdLineTest, SwitchLookups) {
  Hold({L"prog", L"/b", L"/out", L"file.txt", L"-v2", L"x*y"});
  struct Case {
    const wchar_t* sw;
    bool wildcard;
    long position;  // -1: not found
  } cases[] = {
      {L"/B", false, -1},  {L"/b", false, 1},     {L"/[bB]", true, 1},   {L"/[!a]", true, 1},
      {L"/[a-c]", true, 1}, {L"/[c-z]*", true, 2}, {L"-v#", true, 4},      {L"-v?", true, 4},
      {L"*.txt", true, 3},  {L"*ou*", true, 2},   {L"*", true, 0},        {L"x*y", false, 5},
      {L"x[*]y", true, 5},  {L"/b*", false, -1},  {L"", false, -1},       {L"[]/b", true, 1},
      {L"*t*t*", true, 3},  {L"/out?", true, -1}, {L"-v[0-1]", true, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(h_->FindSwitch(c.sw, c.wildcard), c.position) << kz::ToAnsi(c.sw);
  }
}

TEST_F(CmdLineTest, SwitchPresentSetsPositionOnlyWhenFound) {
  Hold({L"/a", L"/b"});
  BSTR sw = SysAllocString(L"/b");
  long pos = 42;
  VARIANT_BOOL found = VARIANT_FALSE;
  ASSERT_HRESULT_SUCCEEDED(h_->argSwitchPresent(&sw, &pos, VARIANT_FALSE, &found));
  EXPECT_EQ(found, VARIANT_TRUE);
  EXPECT_EQ(pos, 1);
  SysFreeString(sw);
  sw = SysAllocString(L"/c");
  pos = 42;
  ASSERT_HRESULT_SUCCEEDED(h_->argSwitchPresent(&sw, &pos, VARIANT_FALSE, &found));
  EXPECT_EQ(found, VARIANT_FALSE);
  EXPECT_EQ(pos, 42);
  SysFreeString(sw);
}

TEST_F(CmdLineTest, SwitchArgument) {
  long pos = 0;
  Hold({L"/out", L"file.txt"});
  EXPECT_EQ(h_->SwitchArgument(L"/out", false, &pos), L"file.txt");
  EXPECT_EQ(pos, 1);
  Hold({L"file.txt", L"/out"});
  EXPECT_EQ(h_->SwitchArgument(L"/out", false, &pos), L"");
  EXPECT_EQ(pos, -1);
  pos = 5;
  EXPECT_EQ(h_->SwitchArgument(L"/missing", false, &pos), L"");
  EXPECT_EQ(pos, -1);
  Hold({L"/O:x", L"a", L"/o", L"b"});
  EXPECT_EQ(h_->SwitchArgument(L"/[oO]*", true, &pos), L"a");  // the first match counts
  EXPECT_EQ(pos, 1);
}

TEST_F(CmdLineTest, UnclosedListInPatternRaises93) {
  Hold({L"/a"});
  Var sw = Var::Str(L"/[ab"), pos = Var::Long(3), wild = Var::Bool(true);
  CallResult r = Call(h_->itf(), L"argSwitchPresent", {sw.get(), &pos, wild.get()});
  EXPECT_EQ(r.error, 93);
  EXPECT_EQ(r.description, L"Invalid pattern string");
  EXPECT_EQ(kz::VarToLong(pos.get()), 3);
  // Without wildcards the same text is an ordinary switch.
  wild = Var::Bool(false);
  r = Call(h_->itf(), L"argSwitchPresent", {sw.get(), &pos, wild.get()});
  EXPECT_EQ(r.error, 0);
  EXPECT_FALSE(kz::VarToBool(r.value.get()));
}

TEST_F(CmdLineTest, AddAndRemove) {
  Hold({L"a", L"b", L"c"});
  h_->Remove(0);
  EXPECT_EQ(h_->args(), (Strings{L"b", L"c"}));
  h_->Remove(1);
  EXPECT_EQ(h_->args(), (Strings{L"b"}));
  h_->Remove(5);  // the last argument goes, whatever the index
  EXPECT_TRUE(h_->args().empty());
  h_->Add(L"");
  h_->Add(L"z");
  EXPECT_EQ(h_->args(), (Strings{L"", L"z"}));
  // Many edits in turn: the list stays right while removed text is given back.
  for (int i = 0; i < 2000; ++i) {
    h_->Add(std::wstring(100, static_cast<wchar_t>(L'a' + i % 26)));
    h_->Remove(1);
  }
  EXPECT_EQ(h_->args(), (Strings{L"", std::wstring(100, static_cast<wchar_t>(L'a' + 1999 % 26))}));
}

TEST_F(CmdLineTest, RemoveOutsideTheListRaises9AndKeepsIt) {
  Hold({L"a", L"b"});
  for (long index : {-1L, 2L, 100L}) {
    Var i = Var::Long(index);
    CallResult r = Call(h_->itf(), L"argRemove", {i.get()});
    EXPECT_EQ(r.error, 9) << index;
    EXPECT_EQ(h_->args(), (Strings{L"a", L"b"})) << index;
  }
  Hold({});
  Var zero = Var::Long(0);
  EXPECT_EQ(Call(h_->itf(), L"argRemove", {zero.get()}).error, 9);
  EXPECT_TRUE(h_->args().empty());
}

TEST_F(CmdLineTest, Rebuild) {
  Hold({});
  EXPECT_EQ(h_->Rebuild(), L"");
  Hold({L"C:\\My App\\x.exe", L"/t", L"two words", L"say \"hi\""});
  EXPECT_EQ(h_->Rebuild(), L"\"C:\\My App\\x.exe\" /t \"two words\" say \"hi\"");
  Hold({L"a \"b\"", L"", L"c"});  // element 0 is quoted even with quotes inside
  EXPECT_EQ(h_->Rebuild(), L"\"a \"b\"\"  c");
  Hold({L"a", L""});
  EXPECT_EQ(h_->Rebuild(), L"a ");
}

TEST(CmdLineSplit, RoundTripsOfSplitEditRebuild) {
  std::mt19937 rng(20240629);
  const wchar_t alphabet[] = L"abcXYZ019/-:.\\\t\x00e9 ";
  for (int round = 0; round < 300; ++round) {
    Strings list;
    int n = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      std::wstring a;
      int len = 1 + static_cast<int>(rng() % 10);
      for (int k = 0; k < len; ++k) a += alphabet[rng() % (sizeof alphabet / sizeof(wchar_t) - 1)];
      // Arguments the rebuild can carry: not empty, not blank at either end.
      while (!a.empty() && a.front() == L' ') a.erase(0, 1);
      while (!a.empty() && a.back() == L' ') a.pop_back();
      if (a.empty()) a = L"z";
      list.push_back(a);
    }
    std::wstring line = kz::RebuildArguments(list);
    Strings back = kz::SplitArguments(line);
    ASSERT_EQ(back, list) << kz::ToAnsi(line);
    // Edit and rebuild again.
    back.erase(back.begin());
    back.push_back(L"new arg");
    EXPECT_EQ(kz::SplitArguments(kz::RebuildArguments(back)), back);
  }
}

TEST(CmdLineSplit, LongLines) {
  // 32 KB of arguments, with quoted ones among them.
  std::wstring line;
  Strings expected;
  for (int i = 0; line.size() < 32768; ++i) {
    std::wstring a = L"arg" + std::to_wstring(i);
    if (i % 7 == 0) {
      line += L"\"" + a + L" x\" ";
      expected.push_back(a + L" x");
    } else {
      line += a + L" ";
      expected.push_back(a);
    }
  }
  EXPECT_EQ(kz::SplitArguments(line), expected);
  // One argument of 32 K characters with an unclosed quote inside.
  std::wstring big = L"/x:\"" + std::wstring(32768, L'q') + L" tail";
  EXPECT_EQ(kz::SplitArguments(big), Strings{big});
}
