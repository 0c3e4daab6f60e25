// Registry lines: root, key path, value name, data, extra text; one REG_SZ value per line.
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/latebound.h"
#include "ini/actions/ActionEngine.h"
#include "base/text.h"

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
    Ptr<IDispatch> registry;  // one registry object serves all lines
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      long root = RootOf(Field(f, 0));
      std::wstring path = ExpandReference(Field(f, 1), Lookup::Environment);
      std::wstring name = ExpandReference(Field(f, 2), Lookup::Environment);
      std::wstring data = ExpandReference(Field(f, 3), Lookup::ProcessWindir);
      const std::wstring& extra = Field(f, 4);
      if (!extra.empty()) data += L" " + extra;
      if (!registry) ThrowIfFailed(CreateInstance(L"clsKelzudRegHand1A", IID_IDispatch, reinterpret_cast<void**>(registry.out())));
      // The registry object reports its own failures only through its results.
      Var handle = CallByName(registry.get(), L"OpenKey", DISPATCH_METHOD,
                              std::vector<Var>{Var::Long(root), Var::Str(path), Var::Bool(false)});
      Var h = Var::Long(VarToLong(handle.get()));
      CallByName(registry.get(), L"SetValue", DISPATCH_METHOD, std::vector<Var>{h, Var::Str(name), Var::Str(data)});
      CallByName(registry.get(), L"CloseKey", DISPATCH_METHOD, std::vector<Var>{h});
    });
  });
}

}  // namespace kz
