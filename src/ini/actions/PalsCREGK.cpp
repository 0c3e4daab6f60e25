// Registry lines: root, key path, value name, data, extra text; one REG_SZ value per line.
#include "com/variant.h"
#include "frame/kz.h"
#include "ini/actions/ActionEngine.h"
#include "base/text.h"
#include "registry/clsKelzudRegHand1A.h"

namespace kz {
namespace {

long RootOf(const std::wstring& text) {
  static const struct { const wchar_t* abbreviation; long root; } kRoots[] = {
      {L"hcr", static_cast<long>(0x80000000)}, {L"hcu", static_cast<long>(0x80000001)},
      {L"hlm", static_cast<long>(0x80000002)}, {L"hu", static_cast<long>(0x80000003)},
      {L"hcc", static_cast<long>(0x80000005)}, {L"hdd", static_cast<long>(0x80000006)},
  };
  if (text.empty()) return static_cast<long>(0x80000002);
  for (const auto& r : kRoots)
    if (EqualNoCase(text, r.abbreviation)) return r.root;
  // Any other text is a root or key handle given as a number.
  Var t = Var::Str(text);
  return VarToLong(t.get());
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsCREGK(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    Ptr<RegistryObject> registry;  // one registry object serves all lines
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      long root = RootOf(Field(f, 0));
      std::wstring path = variables.Expand(Field(f, 1), Lookup::Environment);
      std::wstring name = variables.Expand(Field(f, 2), Lookup::Environment);
      std::wstring data = variables.Expand(Field(f, 3), Lookup::ProcessWindir);
      const std::wstring& extra = Field(f, 4);
      if (!extra.empty()) data += L" " + extra;
      if (!registry) registry = Ptr<RegistryObject>::Adopt(MakeObject<RegistryObject>());
      // The registry object reports its own failures only through its results.
      long handle = registry->Open(root, path, false, L"");
      Var text = Var::Str(data);
      registry->Write(handle, name, text.get());
      registry->CloseHandle(handle);
    });
  });
}

}  // namespace kz
