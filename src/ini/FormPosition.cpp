// Form positions kept in the handler's current section: SaveFormPosition, LoadFormPosition
// and the two form actions. The form is the client's object, reached by member name.
#include <cmath>

#include "base/convert.h"
#include "base/error.h"
#include "base/owner.h"
#include "com/latebound.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "platform/screen.h"

namespace kz {
namespace {

double NumberOf(IDispatch* form, const wchar_t* name) {
  Var v = GetProp(form, name);
  Var d;
  if (FAILED(VariantChangeType(d.get(), v.get(), 0, VT_R8))) Raise(kErrTypeMismatch);
  return d.get()->dblVal;
}

long WholeNumberOf(IDispatch* form, const wchar_t* name) { return RoundToLong(NumberOf(form, name)); }

long MinimumOf(VARIANT* v, long fallback) {
  if (!v || IsMissing(v)) return fallback;
  Var d = Deref(v);
  if (IsMissing(d.get())) return fallback;
  return VarToLong(d.get());
}

// Keeps one axis of the form on the screen with a margin: position and extent in twips,
// `screen` the screen's extent and `margin` the margin in twips.
void KeepOnScreen(long& pos, long& extent, double screen, long margin) {
  if (pos < margin) pos = margin;
  if (static_cast<double>(pos) + extent > screen - margin) {
    pos = RoundToLong(screen - margin - extent);
    if (pos < margin) pos = margin;
    if (static_cast<double>(pos) + extent > screen - margin) extent = RoundToLong(screen - pos - margin);
  }
}

}  // namespace

void IniFileHandler::SaveFormTo(IDispatch* form) {
  const std::wstring key_before = key_;
  auto restore = OnScopeExit([&] { key_ = key_before; });
  try {
    if (!form) Raise(kErrObjectNotSet);
    long state = VarToLong(GetProp(form, L"WindowState").get());
    if (state == 1) return;
    auto write = [&](const wchar_t* key, const std::wstring& text) {
      key_ = key;
      std::wstring value = text;
      WriteValue(value);
    };
    write(L"Maximised", state == 2 ? L"1" : L"0");
    if (state == 2) return;
    for (const wchar_t* name : {L"Left", L"Top", L"Width", L"Height"}) write(name, VarToStr(GetProp(form, name).get()));
  } catch (const Error&) {
    last_rc_ = 0;
  } catch (const std::exception&) {
    last_rc_ = 0;
  }
}

void IniFileHandler::LoadFormFrom(IDispatch* form, VARIANT* min_width, VARIANT* min_height) {
  const std::wstring key_before = key_, default_before = default_;
  auto restore = OnScopeExit([&] {
    key_ = key_before;
    default_ = default_before;
  });
  default_ = L"FAIL";  // an absent key reads as text that is no number
  try {
    if (!form) Raise(kErrObjectNotSet);
    auto read = [&](const wchar_t* key, long fallback) {
      key_ = key;
      return ToLongOr(ReadValue(), fallback);
    };
    long left = read(L"Left", WholeNumberOf(form, L"Left"));
    long top = read(L"Top", WholeNumberOf(form, L"Top"));
    long width = read(L"Width", WholeNumberOf(form, L"Width"));
    long height = read(L"Height", WholeNumberOf(form, L"Height"));
    const long min_w = MinimumOf(min_width, 3000), min_h = MinimumOf(min_height, 3000);
    if (width < min_w) width = min_w;
    if (height < min_h) height = min_h;

    ScreenMetrics s = Seam<Screen>().Metrics();
    if (!std::isfinite(s.width_twips) || !std::isfinite(s.height_twips)) Raise(kErrOverflow);
    KeepOnScreen(left, width, s.width_twips, RoundToLong(4 * s.twips_per_pixel_x));
    KeepOnScreen(top, height, s.height_twips, RoundToLong(4 * s.twips_per_pixel_y));

    if (width >= min_w && height >= min_h)
      CallByName(form, L"Move", DISPATCH_METHOD,
                 std::vector<Var>{Var::Long(left), Var::Long(top), Var::Long(width), Var::Long(height)});
    if (read(L"Maximised", 0) != 0) PutProp(form, L"WindowState", Var::Long(2));
  } catch (const Error&) {
    last_rc_ = 0;
  } catch (const std::exception&) {
    last_rc_ = 0;
  }
}

void IniFileHandler::ApplyFormMap() {
  IDispatch* form = frm_.get();
  auto read = [&](const wchar_t* key) {
    key_ = key;
    return ReadValue();
  };
  std::wstring colour = read(L"FormMap1BackColor");
  if (!colour.empty()) {
    if (!form) Raise(kErrObjectNotSet);
    PutProp(form, L"BackColor", Var::Str(colour));
  }
  std::wstring move = read(L"FormMap1Move");
  if (!move.empty()) {
    if (!form) Raise(kErrObjectNotSet);
    std::vector<std::wstring> fields;
    for (size_t start = 0;;) {
      size_t comma = move.find(L',', start);
      fields.push_back(move.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
      if (comma == std::wstring::npos) break;
      start = comma + 1;
    }
    const wchar_t* names[] = {L"Left", L"Top", L"Width", L"Height"};
    for (size_t i = 0; i < 4; ++i) {
      if (i >= fields.size()) Raise(kErrSubscript);
      Var n;
      n.get()->vt = VT_R8;
      n.get()->dblVal = LeadingNumber(fields[i]);
      PutProp(form, names[i], n);
    }
  }
  for (const wchar_t* name : {L"Left", L"Top", L"Width", L"Height"}) {
    std::wstring text = read((std::wstring(L"FormMap1") + name).c_str());
    if (text.empty()) continue;
    if (!form) Raise(kErrObjectNotSet);
    Var n;
    n.get()->vt = VT_R8;
    n.get()->dblVal = LeadingNumber(text);
    PutProp(form, name, n);
  }
}

STDMETHODIMP IniFileHandler::SaveFormPosition(IDispatch** form) {
  return Guard([&] { SaveFormTo(form ? *form : nullptr); });
}

STDMETHODIMP IniFileHandler::LoadFormPosition(IDispatch** form, VARIANT* min_width, VARIANT* min_height) {
  return Guard([&] { LoadFormFrom(form ? *form : nullptr, min_width, min_height); });
}

STDMETHODIMP IniFileHandler::PalsFormMap1(KZ_ACTION_PARAMS) {
  (void)a, (void)b, (void)c, (void)d, (void)process_var;
  if (ret) VariantInit(ret);
  return Guard([&] { ApplyFormMap(); });
}

STDMETHODIMP IniFileHandler::PalsFormMap2(KZ_ACTION_PARAMS) {
  (void)a, (void)b, (void)c, (void)d, (void)process_var;
  if (ret) VariantInit(ret);
  return Guard([&] {
    key_.clear();
    std::wstring empty;
    WriteValue(empty);
  });
}

}  // namespace kz
