// The association actions: each line registers one file type through the association class;
// codes 14 and 15 and PalsCOMMANDASSOCIATION run the same lines, and a line with too few
// fields ends the action without writing any part of itself.
#include <string>

#include "base/text.h"
#include "frame/modules.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "testkit.h"

using namespace kzt;

namespace {

std::wstring Default(const std::wstring& path) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf, type = 0;
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND, &type, buf, &size) !=
      ERROR_SUCCESS)
    return L"<absent>";
  return buf;
}

TEST(AssociationActions, EachWayRegistersTheLinesUpToAShortOne) {
  const std::wstring id = std::to_wstring(GetCurrentProcessId());
  auto ext = [&](const wchar_t* c) { return L".kzact" + id + c; };
  auto type = [&](const wchar_t* c) { return L"Kelzud10Tests.Act" + id + c; };
  auto clean = [&] {
    for (const wchar_t* c : {L"a", L"b", L"c", L"d"}) {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, ext(c).c_str());
      RegDeleteTreeW(HKEY_CLASSES_ROOT, type(c).c_str());
    }
  };
  TempDir dir;
  const std::wstring ini = dir.File(L"assoc.ini");
  const std::string text = "[Types]\r\n" + kz::ToAnsi(L"a=" + ext(L"a") + L"^%windir%\\kz.exe^" + type(L"a") +
                                                     L"^Type A^\r\n" + L"b=" + ext(L"b").substr(1) +
                                                     L"^C:\\b.exe^" + type(L"b") + L"^Type B^C:\\b.ico,1\r\n" +
                                                     L"c=" + ext(L"c") + L"^C:\\c.exe^" + type(L"c") + L"^Type C\r\n" +
                                                     L"d=" + ext(L"d") + L"^C:\\d.exe^" + type(L"d") + L"^Type D^\r\n");
  WriteFileText(ini, text);
  const std::wstring windir = kz::GetWindowsFolder();
  const wchar_t* ways[] = {L"code 14", L"code 15", L"PalsCOMMANDASSOCIATION", L"PalsFILEASSOCIATION"};
  for (const wchar_t* way : ways) {
    SCOPED_TRACE(kz::ToAnsi(way));
    clean();
    UnattendedLog log;
    Ptr<IDispatch> h = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
    kz::PutProp(h.get(), L"Path", Var::Str(ini));
    kz::PutProp(h.get(), L"Section", Var::Str(L"Types"));
    CallResult r;
    if (way[0] == L'c') {
      Var code = Var::Long(way[5] == L'4' ? 14 : 15);
      r = Call(h.get(), L"Pals", {code.get()});
    } else {
      r = Call(h.get(), way, {});
    }
    EXPECT_EQ(r.error, 9) << "the third line has four fields";
    EXPECT_EQ(r.source, L"Kelzud10.clsKelzudINIFileHandler1A");
    EXPECT_EQ(Default(ext(L"a")), type(L"a"));
    EXPECT_EQ(Default(type(L"a")), L"Type A");
    EXPECT_EQ(Default(type(L"a") + L"\\DefaultIcon"), windir + L"\\kz.exe,0");
    EXPECT_EQ(Default(type(L"a") + L"\\shell\\open\\command"), L"\"" + windir + L"\\kz.exe\" \"%1\"");
    EXPECT_EQ(Default(ext(L"b")), type(L"b")) << "the dot is added";
    EXPECT_EQ(Default(type(L"b") + L"\\DefaultIcon"), L"C:\\b.ico,1");
    EXPECT_EQ(Default(type(L"b") + L"\\shell\\open\\command"), L"\"C:\\b.exe\" \"%1\"");
    for (const wchar_t* c : {L"c", L"d"}) {
      EXPECT_FALSE(kzt::KeyExists(HKEY_CLASSES_ROOT, ext(c)));
      EXPECT_FALSE(kzt::KeyExists(HKEY_CLASSES_ROOT, type(c)));
    }
    EXPECT_TRUE(log.Records().empty());
  }
  clean();
}

}  // namespace
