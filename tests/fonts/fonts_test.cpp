// The font installer: copy, load, register and notify, removal, and the font action that
// installs one font per line.
#include <string>

#include "base/text.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "services/clsKelzudFontsA.h"
#include "testkit.h"

using namespace kzt;
using kz::FontInstaller;

namespace {

// The shipped test font, reached through the drive Wine maps to the Unix root.
std::wstring ShippedFont() {
  std::wstring here = kz::FromAnsi(std::string(__FILE__));
  for (wchar_t& c : here)
    if (c == L'/') c = L'\\';
  return L"Z:" + here.substr(0, here.find_last_of(L'\\')) + L"\\data\\KzTestSansMono-Oblique.ttf";
}

std::wstring FontsFolder() {
  wchar_t w[MAX_PATH];
  GetWindowsDirectoryW(w, MAX_PATH);
  return std::wstring(w) + L"\\Fonts";
}

std::wstring RegistryText(const std::wstring& name) {
  wchar_t buf[1024];
  DWORD size = sizeof buf;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, FontInstaller::kFontsKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS)
    return L"<absent>";
  return buf;
}

void DeleteRegistryValue(const std::wstring& name) {
  HKEY k;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, FontInstaller::kFontsKey, 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
    RegDeleteValueW(k, name.c_str());
    RegCloseKey(k);
  }
}

// A font file in the fonts folder and its registry value, removed (and unloaded) at the end.
struct InstalledFont {
  std::wstring file, value;
  ~InstalledFont() {
    while (RemoveFontResourceW(file.c_str())) {
    }
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file.c_str());
    DeleteRegistryValue(value);
  }
};

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) {
  *reinterpret_cast<bool*>(p) = true;
  return 0;
}

// Whether the session knows the test font's family by name.
bool TestFamilyEnumerates() {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcscpy(lf.lfFaceName, L"KzTest Sans Mono");
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

Ptr<FontInstaller> NewInstaller() { return Ptr<FontInstaller>::Adopt(kz::MakeObject<FontInstaller>()); }

}  // namespace

TEST(Fonts, RegistryValueNameAndData) {
  struct Case {
    bool true_type;
    const wchar_t* name;
  } cases[] = {{true, L"My Font (TrueType)"}, {false, L"My Font"}};
  for (const Case& c : cases) {
    Ptr<FontInstaller> f = NewInstaller();
    f->set_font_name(L"My Font");
    f->set_true_type(c.true_type);
    f->set_destination(L"c:\\Windows\\Fonts\\my.ttf");
    EXPECT_EQ(f->RegistryValueName(), c.name);
    EXPECT_EQ(f->RegistryValueData(), L"C:\\WINDOWS\\FONTS\\MY.TTF");
  }
}

TEST(Fonts, PlatformCallByVersion) {
  using C = FontInstaller::LoadCall;
  struct Case {
    DWORD version;
    bool no_enum, priv;
    C call;
  } cases[] = {
      {0x0005, false, false, C::Wide},     {0x0005, true, false, C::Extended}, {0x0005, false, true, C::Extended},
      {0x0006, true, true, C::Wide},       {0x000A, false, true, C::Wide},     {0x0105, true, true, C::Ansi},
      {0x0106, false, false, C::Ansi},     {0x0A04, true, false, C::Ansi},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FontInstaller::ChooseCall(c.version, c.no_enum, c.priv), c.call) << std::hex << c.version;
  EXPECT_EQ(FontInstaller::ExtendedFlags(true, false), static_cast<DWORD>(FR_NOT_ENUM));
  EXPECT_EQ(FontInstaller::ExtendedFlags(false, true), static_cast<DWORD>(FR_PRIVATE));
  EXPECT_EQ(FontInstaller::ExtendedFlags(true, true), static_cast<DWORD>(FR_NOT_ENUM | FR_PRIVATE));
}

TEST(Fonts, AddFontCopiesLoadsRegistersAndRemoveOnlyUnloads) {
  const std::wstring name = UniqueName(L"KzTestFont", L"add");
  InstalledFont cleanup{FontsFolder() + L"\\" + name + L".ttf", name + L" (TrueType)"};
  const std::wstring& dest = cleanup.file;
  // A read-only source: the copy must come out with normal attributes.
  TempDir dir;
  const std::wstring source = dir.File(L"source.ttf");
  ASSERT_TRUE(CopyFileW(ShippedFont().c_str(), source.c_str(), FALSE));
  SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);

  ASSERT_FALSE(TestFamilyEnumerates());
  const int gdi_before = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  Ptr<IDispatch> font = Create(L"Kelzud10.clsKelzudFontsA");
  Var src = Var::Str(source), dst = Var::Str(dest), fname = Var::Str(name), tt = Var::Bool(true);
  ASSERT_EQ(Call(font.get(), L"SourceFile", {src.get()}, DISPATCH_PROPERTYPUT).error, 0);
  ASSERT_EQ(Call(font.get(), L"DestinationFile", {dst.get()}, DISPATCH_PROPERTYPUT).error, 0);
  ASSERT_EQ(Call(font.get(), L"FontName", {fname.get()}, DISPATCH_PROPERTYPUT).error, 0);
  ASSERT_EQ(Call(font.get(), L"IsTrueType", {tt.get()}, DISPATCH_PROPERTYPUT).error, 0);
  Var t = Var::Bool(true), f = Var::Bool(false);
  CallResult r = Call(font.get(), L"AddFont", {t.get(), t.get(), t.get(), t.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);

  EXPECT_TRUE(FileExists(dest));
  EXPECT_TRUE(TestFamilyEnumerates());
  EXPECT_EQ(GetFileAttributesW(dest.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(RegistryText(name + L" (TrueType)"), kz::UpperCase(dest));
  EXPECT_EQ(RegistryText(name), L"<absent>");

  // RemoveFont unloads what AddFont loaded (so unloading again finds nothing) and leaves the
  // file and the registry value in place.
  ASSERT_EQ(Call(font.get(), L"RemoveFont", {}).error, 0);
  EXPECT_EQ(RemoveFontResourceW(dest.c_str()), 0);
  EXPECT_FALSE(TestFamilyEnumerates());
  EXPECT_TRUE(FileExists(dest));
  EXPECT_EQ(RegistryText(name + L" (TrueType)"), kz::UpperCase(dest));

  // ManageFonts loads and unloads for the session: true each time, false once nothing is left.
  r = Call(font.get(), L"ManageFonts", {});
  EXPECT_EQ(r.value.get()->vt, VT_BOOL);
  EXPECT_EQ(r.value.get()->boolVal, VARIANT_TRUE);
  r = Call(font.get(), L"ManageFonts", {f.get()});
  EXPECT_EQ(r.value.get()->boolVal, VARIANT_TRUE);
  r = Call(font.get(), L"ManageFonts", {f.get()});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(r.value.get()->boolVal, VARIANT_FALSE);
  font = Ptr<IDispatch>();
  EXPECT_EQ(static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)), gdi_before);
}

TEST(Fonts, ExistingDestinationIsNotCopiedOverButStillLoaded) {
  TempDir dir;
  const std::wstring dest = dir.File(L"kept.ttf");
  ASSERT_TRUE(CopyFileW(ShippedFont().c_str(), dest.c_str(), FALSE));
  SetFileAttributesW(dest.c_str(), FILE_ATTRIBUTE_READONLY);
  Ptr<FontInstaller> f = NewInstaller();
  f->set_source(dir.File(L"no such source.ttf"));  // never read: the destination exists
  f->set_destination(dest);
  f->Add(true, true, false, false);
  EXPECT_NE(GetFileAttributesW(dest.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_GT(RemoveFontResourceW(dest.c_str()), 0) << "AddFont loaded the existing file";
  SetFileAttributesW(dest.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Fonts, BadFilesRaiseOnCopyAndReportFalseOnLoad) {
  TempDir dir;
  Ptr<IDispatch> font = Create(L"Kelzud10.clsKelzudFontsA");
  Var src = Var::Str(dir.File(L"missing.ttf")), dst = Var::Str(dir.File(L"copy.ttf"));
  Call(font.get(), L"SourceFile", {src.get()}, DISPATCH_PROPERTYPUT);
  Call(font.get(), L"DestinationFile", {dst.get()}, DISPATCH_PROPERTYPUT);
  CallResult r = Call(font.get(), L"AddFont", {});
  EXPECT_EQ(r.error, 53);
  EXPECT_FALSE(FileExists(dir.File(L"copy.ttf")));

  // A file that is not a font is refused (error 321) before anything is copied or registered;
  // the real font goes through the same checks.
  WriteFileText(dir.File(L"text.ttf"), "not a font");
  CopyFileW(ShippedFont().c_str(), dir.File(L"real.ttf").c_str(), FALSE);
  struct Case {
    const wchar_t* source;
    bool copy, reg;
    long error;
  } cases[] = {{L"text.ttf", true, false, 321}, {L"text.ttf", true, true, 321}, {L"real.ttf", true, false, 0}};
  DeleteRegistryValue(L"KzTestNoFont");  // left by an earlier run
  for (const Case& c : cases) {
    DeleteFileW(dir.File(L"copy.ttf").c_str());
    Ptr<FontInstaller> fi = NewInstaller();
    fi->set_source(dir.File(c.source));
    fi->set_destination(dir.File(L"copy.ttf"));
    fi->set_font_name(L"KzTestNoFont");
    try {
      fi->Add(false, c.copy, c.reg, false);
      EXPECT_EQ(c.error, 0) << kz::ToAnsi(c.source);
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), c.error) << kz::ToAnsi(c.source);
    }
    EXPECT_EQ(FileExists(dir.File(L"copy.ttf")), c.error == 0) << kz::ToAnsi(c.source);
    EXPECT_EQ(RegistryText(L"KzTestNoFont"), L"<absent>");
  }
  // Registering an existing destination that is not a font: refused, nothing written.
  Ptr<FontInstaller> fi = NewInstaller();
  fi->set_destination(dir.File(L"text.ttf"));
  fi->set_font_name(L"KzTestNoFont");
  EXPECT_THROW(fi->Add(false, false, true, false), kz::Error);
  EXPECT_EQ(RegistryText(L"KzTestNoFont"), L"<absent>");
  DeleteFileW(dir.File(L"copy.ttf").c_str());
  // ManageFonts on a file that is not a font says false either way.
  Var text = Var::Str(dir.File(L"text.ttf"));
  Call(font.get(), L"DestinationFile", {text.get()}, DISPATCH_PROPERTYPUT);
  Var f = Var::Bool(false);
  EXPECT_EQ(Call(font.get(), L"ManageFonts", {}).value.get()->boolVal, VARIANT_FALSE);
  EXPECT_EQ(Call(font.get(), L"ManageFonts", {f.get()}).value.get()->boolVal, VARIANT_FALSE);
}

TEST(FontAction, InstallsEachLineWithItsSourceAndTrueTypeMark) {
  // The application folder is App under a temporary folder; Fonts beside it holds a .fon.
  TempDir dir;
  const std::wstring app = dir.File(L"App");
  CreateDirectoryW(app.c_str(), nullptr);
  CreateDirectoryW(dir.File(L"fonts").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(ShippedFont().c_str(), (app + L"\\my.ttf").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(ShippedFont().c_str(), dir.File(L"fonts\\my.fon").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(ShippedFont().c_str(), (app + L"\\UP.TTF").c_str(), FALSE));
  const std::wstring a = UniqueName(L"KzTestFont", L"a"), b = UniqueName(L"KzTestFont", L"b"),
                     c = UniqueName(L"KzTestFont", L"c");
  InstalledFont fa{FontsFolder() + L"\\" + a + L".ttf", a + L" (TrueType)"};
  InstalledFont fb{FontsFolder() + L"\\" + b + L".fon", b};
  InstalledFont fc{FontsFolder() + L"\\" + c + L".ttf", c};

  std::string ini = "[Fonts]\r\n";
  ini += "f1=" + kz::ToAnsi(a) + ",%WINDIR%\\Fonts\\" + kz::ToAnsi(a) + ".ttf,my.ttf\r\n";
  ini += "f2=" + kz::ToAnsi(b) + ",%WINDIR%\\Fonts\\" + kz::ToAnsi(b) + ".fon,..\\fonts\\my.fon\r\n";
  ini += "f3=" + kz::ToAnsi(c) + ",%WINDIR%\\Fonts\\" + kz::ToAnsi(c) + ".ttf,UP.TTF\r\n";
  WriteFileText(dir.File(L"setup.ini"), ini);

  Ptr<IDispatch> fso = Create(L"Scripting.FileSystemObject");
  Var folder_path = Var::Str(app);
  CallResult folder = Call(fso.get(), L"GetFolder", {folder_path.get()});
  ASSERT_EQ(folder.error, 0);
  Ptr<IDispatch> h = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
  Var path = Var::Str(dir.File(L"setup.ini")), section = Var::Str(L"Fonts");
  Call(h.get(), L"Path", {path.get()}, DISPATCH_PROPERTYPUT);
  Call(h.get(), L"Section", {section.get()}, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(Call(h.get(), L"AppObj", {folder.value.get()}, DISPATCH_PROPERTYPUTREF).error, 0);
  UnattendedLog boxes;  // the debug messages need the debugger component
  Var code = Var::Long(12);
  CallResult r = Call(h.get(), L"Pals", {code.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(r.value.get()->vt, VT_EMPTY);

  EXPECT_TRUE(FileExists(fa.file));
  EXPECT_TRUE(FileExists(fb.file));
  EXPECT_TRUE(FileExists(fc.file));
  EXPECT_EQ(RegistryText(a + L" (TrueType)"), kz::UpperCase(fa.file));
  EXPECT_EQ(RegistryText(b), kz::UpperCase(fb.file)) << "the .fon after a .ttf line is not TrueType";
  EXPECT_EQ(RegistryText(c), kz::UpperCase(fc.file)) << "an upper-case .TTF is not TrueType";
  EXPECT_EQ(RegistryText(c + L" (TrueType)"), L"<absent>");
  EXPECT_GT(RemoveFontResourceW(fa.file.c_str()), 0) << "the action loaded the font";
}

TEST(FontAction, MissingFieldAndMissingSourceEndTheAction) {
  TempDir dir;
  WriteFileText(dir.File(L"setup.ini"), "[Fonts]\r\nf1=Name,%WINDIR%\\Fonts\\x.ttf\r\n");
  Ptr<IDispatch> h = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
  Var path = Var::Str(dir.File(L"setup.ini")), section = Var::Str(L"Fonts");
  Call(h.get(), L"Path", {path.get()}, DISPATCH_PROPERTYPUT);
  Call(h.get(), L"Section", {section.get()}, DISPATCH_PROPERTYPUT);
  UnattendedLog boxes;
  Var code = Var::Long(12);
  EXPECT_EQ(Call(h.get(), L"Pals", {code.get()}).error, 9);
}
