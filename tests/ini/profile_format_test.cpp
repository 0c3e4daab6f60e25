// The library's own profile writer against the platform's writer: a table of files and writes,
// each write done by the platform on its own fresh file (so it loads what the write before
// left), and the same writes through ProfileWrite one by one and ProfileWriteMany at once.
#include "platform/profile.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "testkit.h"

using namespace kzt;

namespace {

std::string ReadBytes(const std::wstring& path) {
  std::string s;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<no file>";
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n) s.append(buf, n);
  CloseHandle(f);
  return s;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  if (!bytes.empty()) WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(f);
}

std::string Visible(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    char hex[8];
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c < 0x20 || c >= 0x7f) std::snprintf(hex, sizeof hex, "\\x%02x", c), out += hex;
    else out += static_cast<char>(c);
  }
  return out;
}

struct Case {
  const char* file;  // bytes of the file before the writes; null: no file
  std::vector<kz::ProfileEntry> writes;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {nullptr, {{L"A", L"x", L"1"}, {L"A", L"y", L"2"}, {L"B", L"z", L"3"}}},
      {"", {{L"A", L"x", L"1"}}},
      {"[A]\r\nx=1\r\n\r\n[B]\r\nz=3\r\n", {{L"A", L"y", L"2"}, {L"B", L"z", L"3"}, {L"b", L"Z", L"4"}}},
      {"[A]\r\nx=1\r\n\r\n\r\n[B]\r\nz=3\r\n", {{L"A", L"x", L"5"}}},
      {"top=1\r\n[A]\r\n x = 1 \r\n;c\r\n\r\nnoeq\r\n", {{L"A", L"X", L"  9"}, {L"A", L"noeq", L"v"}}},
      {"[A]\nx=1\n", {{L"A", L"x", L"1"}}},
      {"[A]\nx=1\n", {{L"A", L"x", L"2"}}},
      {"[A]\r\nx=1\r\nx=2\r\n", {{L"a", L"X", L"3"}}},
      {"  [A] junk\r\n=v\r\n=w\r\n\r\n", {{L"A", L" k ", L"v"}, {L"A", L"k", L"v"}}},
      {"  [A] junk\r\n=v\r\n", {{L"A", L" k ", L"v"}, {L"A", L"k", L"w"}}},
      {"[A]\r\nx=1", {{L"A", L"x", L"1 "}, {L"A", L"y", L"2"}}},
      {"[A]\r\nx=1", {{L"A", L"x", L"1 "}, {L"A", L"x", L"1"}}},
      {"[A]\r\nx=1", {{L"A", L"x", L"1 "}, {L"A", L"x", L"1"}, {L"A", L"z", L"1"}}},
      {"[A]\r\nx=1\r\n", {{L"C", L"k", L"v"}, {L"A", L"x", L""}}},
      {"\r\n\r\n[A]\r\nx=1\r\n", {{L"A", L"k", L"v"}}},
      {"[A]\r\n[A]\r\nx=1\r\n", {{L"A", L"x", L"2"}, {L"A", L"y", L"3"}}},
      {"[]\r\nx=1\r\n", {{L"A", L"y", L"2"}}},
      {"[A]\r\nx=1\x1a\r\n", {{L"A", L"y", L"2"}}},
      {"[A]\r\n\tx\t=\t1\t\r\n\x0b", {{L"A", L"y", L"2"}}},
      {"[A]\r\nx=\xe9\x81\r\n", {{L"A", L"y", L"\u00e9"}}},
      {"[Sect]\r\nk=v\r\n", {{L" Sect ", L"k2", L"v2"}, {L"Sect ", L"k3", L"v3"}, {L"Sect ", L"k4", L"x"}}},
      {"[A]\r\n;comment\r\nx=1\r\n[B\r\n", {{L"A", L"x", L"2"}, {L"B", L"y", L"2"}}},
      {"[A]\r\nx=\"q\"\r\n", {{L"A", L"x", L"\"q\""}, {L"A", L"y", L"'r'"}}},
      {"\xef\xbb\xbf[A]\r\nx=1\r\n", {{L"A", L"y", L"2"}}},
      {"[A]\r\nx=1\r\n", {{L"S\u00e9", L"y", L"2"}, {L"A", L"x", L"3"}}},
      {"[A]\r\nx=1\ry=2\r\n", {{L"A", L"y", L"3"}}},
      {"[A]\r\nx\r\n", {{L"A", L"x", L"1"}}},
      {"[A]\r\nx=1\r\n\x01\r\n", {{L"A", L"x", L"2"}}},
      {"[A]\r\nx=1\r\n", {{L"A", L"x", L"1"}, {L"A", L"x", L"1"}}},
  };
  return cases;
}

class ProfileFormatTest : public ::testing::Test {
 protected:
  // The platform's writer, each write on a file of its own name so that it loads the bytes the
  // write before left.
  std::string Platform(const Case& c, std::vector<long>* rc) {
    std::string bytes = c.file ? c.file : "";
    bool exists = c.file != nullptr;
    for (const kz::ProfileEntry& w : c.writes) {
      std::wstring path = dir_.File(L"platform" + std::to_wstring(step_++) + L".ini");
      if (exists) WriteBytes(path, bytes);
      rc->push_back(WritePrivateProfileStringA(kz::ToAnsi(w.section).c_str(), kz::ToAnsi(w.key).c_str(),
                                               kz::ToAnsi(w.value).c_str(), kz::ToAnsi(path).c_str()) != 0);
      exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
      if (exists) bytes = ReadBytes(path);
    }
    return exists ? bytes : "<no file>";
  }
  std::wstring Fresh(const Case& c) {
    std::wstring path = dir_.File(L"own" + std::to_wstring(step_++) + L".ini");
    if (c.file) WriteBytes(path, c.file);
    return path;
  }
  TempDir dir_;
  int step_ = 0;
};

}  // namespace

TEST_F(ProfileFormatTest, WritesLeaveThePlatformWritersBytes) {
  for (size_t i = 0; i < Cases().size(); ++i) {
    const Case& c = Cases()[i];
    std::vector<long> expected_rc;
    const std::string expected = Platform(c, &expected_rc);

    std::wstring many = Fresh(c);
    std::vector<long> rc = kz::ProfileWriteMany(many, c.writes);
    for (long& r : rc) r = r != 0;
    EXPECT_EQ(Visible(ReadBytes(many)), Visible(expected)) << "case " << i << ", all writes at once";
    EXPECT_EQ(rc, expected_rc) << "case " << i << ", all writes at once";

    std::wstring single = Fresh(c);
    std::vector<long> single_rc;
    for (const kz::ProfileEntry& w : c.writes)
      single_rc.push_back(kz::ProfileWrite(single, w.section, &w.key, &w.value) != 0);
    EXPECT_EQ(Visible(ReadBytes(single)), Visible(expected)) << "case " << i << ", one by one";
    EXPECT_EQ(single_rc, expected_rc) << "case " << i << ", one by one";
  }
}

TEST_F(ProfileFormatTest, RefusedTextsAmongManyWritesFailAloneAndTheRestAreWritten) {
  std::wstring with = dir_.File(L"with.ini"), without = dir_.File(L"without.ini");
  WriteBytes(with, "[A]\r\nx=1\r\n");
  WriteBytes(without, "[A]\r\nx=1\r\n");
  std::vector<long> rc = kz::ProfileWriteMany(
      with, {{L"A", L"a=b", L"1"}, {L"A", L"c", L"1"}, {L"A", L"d", L"1\r\n"}, {L"A]", L"e", L"1"}, {L"A", L"f", L"2"}});
  ASSERT_EQ(rc.size(), 5u);
  EXPECT_EQ(rc[0], 0);
  EXPECT_NE(rc[1], 0);
  EXPECT_EQ(rc[2], 0);
  EXPECT_EQ(rc[3], 0);
  EXPECT_NE(rc[4], 0);
  kz::ProfileWriteMany(without, {{L"A", L"c", L"1"}, {L"A", L"f", L"2"}});
  EXPECT_EQ(ReadBytes(with), ReadBytes(without));
  EXPECT_EQ(ReadBytes(with), "[A]\r\nx=1\r\nc=1\r\nf=2\r\n");
}
