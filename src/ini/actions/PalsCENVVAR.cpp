// Environment lines: variables computed from text, references and tokens, and folders appended
// to the machine's "Path".
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "com/variant.h"
#include "crypto/clsKelzudGUIDA.h"
#include "frame/kz.h"
#include "frame/modules.h"
#include "fs/frmCusDrvA.h"
#include "ini/actions/ActionEngine.h"
#include "platform/ui.h"
#include "registry/clsKelzudEnvironmentVarA.h"

namespace kz {
namespace {

void SetVariable(const std::wstring& name, const std::wstring& value) {
  long scope = 2;
  std::wstring n = name, v = value;
  KelEnvironSet(scope, n, v);
}

std::wstring GetVariable(const std::wstring& name) {
  long scope = 2;
  std::wstring n = name;
  Var flag = Var::Long(0);
  return KelEnvironGet(scope, n, *flag.get());
}

void Debug(const std::wstring& method_tag, const std::wstring& text) {
  std::wstring tag = method_tag, kind = L"dll", object = L"cyInifINIFilesObj", t = text;
  short level = 2;
  AddDebugMessageA(tag, kind, object, level, t);
}

std::wstring TrimSpaces(const std::wstring& s) {
  size_t b = s.find_first_not_of(L' ');
  if (b == std::wstring::npos) return std::wstring();
  return s.substr(b, s.find_last_not_of(L' ') - b + 1);
}

std::wstring NowText() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DATE;
  v.date = d;
  return VarToStr(&v);
}

// A reference's name and tail: the text between the first two "%" and up to a third.
struct Reference {
  std::wstring name, tail;
};
bool ParseReference(const std::wstring& field, Reference* out) {
  if (field.empty() || field[0] != L'%') return false;
  const std::vector<std::wstring> p = SplitFields(field, L'%');
  if (p.size() < 3) Raise(kErrSubscript);
  out->name = p[1];
  out->tail = p[2];
  return true;
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsCENVVAR(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    try {
      SetVariable(L"VQENVFWINOS", CurrentOSVersionText());
      SetVariable(L"VQENVFCOMPUTER", GetComputerNameText());
      SetVariable(L"VQENVFUSER", GetUserNameText());
      SetVariable(L"VQENVFVARDELLECREATED", NowText());
      ActionVariables variables;
      SectionValues values(*this);
      // The last folder or token text this action computed: the value of a line whose
      // reference or token the engine does not know.
      std::wstring last;
      for (const std::wstring& key : EnumerateSection()) {
        set_key(key);
        const std::wstring value = values.Value();
        if (value.empty()) return;  // an empty line ends the action, without its closing message
        Debug(L"in.PalsCENVVAR", key + L" - " + value);
        const std::vector<std::wstring> f = SplitFields(value, L',');
        if (f.size() < 4) Raise(kErrSubscript);
        const std::wstring& field0 = f[0];
        const std::wstring& mode = f[1];
        const std::wstring& option = f[2];
        bool noted = false;
        std::wstring expanded;
        Reference ref;
        if (EqualNoCase(mode, L"ex")) {
          if (ParseReference(field0, &ref)) {
            expanded = GetVariable(ref.name) + ref.tail;
            noted = true;
            last = expanded;
            SetVariable(key, expanded);
          } else {
            SetVariable(key, field0);
          }
        } else if (EqualNoCase(mode, L"excmd")) {
          if (ParseReference(field0, &ref)) {
            if (EqualNoCase(ref.name, L"windir"))
              last = GetWindowsFolder() + ref.tail;
            else if (EqualNoCase(ref.name, L"winsysdir"))
              last = GetSystemFolder() + ref.tail;
            expanded = last;
            noted = true;
            SetVariable(key, expanded);
          } else {
            SetVariable(key, field0);
          }
        } else if (EqualNoCase(mode, L"cmd")) {
          if (EqualNoCase(field0, L"windrv")) {
            wchar_t buf[MAX_PATH] = {};
            DWORD n = GetEnvironmentVariableW(L"windir", buf, MAX_PATH);
            last = std::wstring(buf, n < MAX_PATH ? n : 0).substr(0, 2) + L"\\";
          } else if (EqualNoCase(field0, L"cusdrv")) {
            // The user's drive for program data; a form closed without a choice leaves the
            // drive chosen earlier on this thread, or none.
            cusdrv::ShowForm();
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            last = cusdrv::ChosenDrive() + L"\\";
          } else if (EqualNoCase(field0, L"computername")) {
            last = TrimSpaces(GetComputerNameText());
          } else if (EqualNoCase(field0, L"guid")) {
            GUID g{};
            HRESULT hr = CoCreateGuid(&g);
            last = GuidMaker::GuidText(hr, g, VARIANT_TRUE);
          }
          if (!EqualNoCase(option, L"pv") || GetVariable(key).empty()) SetVariable(key, last);
        } else if (mode.empty()) {
          SetVariable(key, field0);
        }
        if (EqualNoCase(option, L"md")) {
          std::wstring folder = noted ? expanded : field0;
          if (!noted && !folder.empty() && folder[0] == L'%') folder = variables.Expand(folder, Lookup::Environment);
          if (!FolderIsPresent(folder + L"\\") && !CreateDirectoryW(folder.c_str(), nullptr))
            throw ErrorOfWin32(GetLastError());
        }
      }
      Debug(L"out.PalsCENVVAR", L"");
    } catch (const Error& e) {
      ShowMessage(e.description(), MB_OK, std::to_wstring(e.number()) + L" clsKelzudINIFileHandler1A");
    }
  });
}

STDMETHODIMP IniFileHandler::PalsCMODIFYREGENVPATH(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      env::ExtendMachinePath(variables.Expand(value, Lookup::Environment));
    });
  });
}

}  // namespace kz
