// The font action: each line installs one font through the font installer class.
#include "base/error.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/modules.h"
#include "ini/actions/ActionEngine.h"
#include "services/clsKelzudFontsA.h"

namespace kz {
namespace {

void FontDebug(const wchar_t* tag, const std::wstring& text) {
  std::wstring t = tag, kind = L"dll", object = L"cyInifINIFilesObj", body = text;
  short level = 2;
  AddDebugMessageA(t, kind, object, level, body);
}

// The folder above `folder` (no trailing backslash); empty for a root or a bare name.
std::wstring ParentFolder(std::wstring folder) {
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  const size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

// The application folder: the Path of the object in AppObj.
std::wstring ApplicationFolder(IniFileHandler& h) {
  Var path = GetProp(h.app_obj(), L"Path");
  return VarToStr(path.get());
}

std::wstring FontSourceOf(const std::wstring& field, const std::wstring& app_folder) {
  if (field.compare(0, 3, L"..\\") == 0) return ParentFolder(app_folder) + L"\\" + field.substr(3);
  return app_folder + L"\\" + field;
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsASFFONT(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    Ptr<FontInstaller> font = Ptr<FontInstaller>::Adopt(MakeObject<FontInstaller>());
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      font->set_font_name(Field(f, 0));
      font->set_destination(variables.Expand(Field(f, 1), Lookup::FoldersThenEnvironment));
      FontDebug(L"in.PalsASFFONT", font->destination());
      const std::wstring field2 = Field(f, 2);
      if (!field2.empty() && field2[0] == L'%')
        font->set_source(variables.Expand(field2, Lookup::FoldersThenEnvironment));
      else
        font->set_source(FontSourceOf(field2, ApplicationFolder(*this)));
      FontDebug(L"out.PalsASFFONT", font->source());
      const std::wstring& s = font->source();
      font->set_true_type(s.size() >= 4 && s.compare(s.size() - 4, 4, L".ttf") == 0);
      font->Add(true, true, true, false);
    });
  });
}

}  // namespace kz
