#include "services/clsKelzudAppCLAHandlerA.h"

#include <climits>

#include "base/error.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"

namespace kz {
namespace {

constexpr wchar_t kQuote = L'"';
constexpr wchar_t kSpace = L' ';
constexpr long kErrBadPattern = 93;
constexpr long kErrArrayLocked = 10;

// One element of a wildcard pattern; every kind but kStar stands for exactly one character.
struct PatternItem {
  enum Kind { kLiteral, kAny, kDigit, kList, kStar } kind;
  wchar_t ch = 0;
  bool negate = false;
  std::vector<std::pair<wchar_t, wchar_t>> ranges;

  bool Matches(wchar_t c) const {
    switch (kind) {
      case kLiteral: return c == ch;
      case kAny: return true;
      case kDigit: return c >= L'0' && c <= L'9';
      case kList: {
        bool in = false;
        for (const auto& r : ranges) in = in || (c >= r.first && c <= r.second);
        return in != negate;
      }
      case kStar: break;
    }
    return false;
  }
};

[[noreturn]] void BadPattern() { throw Error(kErrBadPattern, L"", L"Invalid pattern string"); }

std::vector<PatternItem> ParsePattern(const std::wstring& p) {
  std::vector<PatternItem> items;
  for (size_t i = 0; i < p.size(); ++i) {
    PatternItem it{PatternItem::kLiteral};
    wchar_t c = p[i];
    if (c == L'*') {
      if (!items.empty() && items.back().kind == PatternItem::kStar) continue;  // ** is *
      it.kind = PatternItem::kStar;
    } else if (c == L'?') {
      it.kind = PatternItem::kAny;
    } else if (c == L'#') {
      it.kind = PatternItem::kDigit;
    } else if (c == L'[') {
      size_t close = p.find(L']', i + 1);
      if (close == std::wstring::npos) BadPattern();
      size_t k = i + 1;
      it.kind = PatternItem::kList;
      if (k < close && p[k] == L'!') {
        it.negate = true;
        ++k;
      }
      if (k == close && !it.negate) {  // [] stands for no character at all
        i = close;
        continue;
      }
      if (k == close) it.kind = PatternItem::kAny;  // [!] excludes nothing
      for (; k < close; ++k) {
        wchar_t lo = p[k], hi = p[k];
        // A hyphen between two characters makes a range; first or last it is itself.
        if (k + 2 < close && p[k + 1] == L'-') {
          hi = p[k + 2];
          if (hi < lo) BadPattern();
          k += 2;
        }
        it.ranges.emplace_back(lo, hi);
      }
      i = close;
    } else {
      it.ch = c;
    }
    items.push_back(std::move(it));
  }
  return items;
}

// Keeps the position of the next quote at or after a moving start, so that a line with few
// quotes is not searched again for each argument.
class QuoteFinder {
 public:
  QuoteFinder(const std::wstring& s, size_t end) : s_(s), end_(end) {}
  size_t From(size_t start) {
    if (!valid_ || (next_ != std::wstring::npos && next_ < start)) {
      next_ = s_.find(kQuote, start);
      if (next_ >= end_) next_ = std::wstring::npos;
      valid_ = true;
    }
    return next_;
  }

 private:
  const std::wstring& s_;
  size_t end_;
  size_t next_ = std::wstring::npos;
  bool valid_ = false;
};

// Replaces a caller's array by a new one (the caller's old one is destroyed).
void ReplaceArray(SAFEARRAY** target, const std::vector<std::wstring>& items) {
  if (*target && ((*target)->cLocks > 0 || ((*target)->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC))))
    throw Error(kErrArrayLocked, L"", L"This array is fixed or temporarily locked");
  SAFEARRAY* sa = MakeBstrArray(items, 0);
  if (*target) SafeArrayDestroy(*target);
  *target = sa;
}

}  // namespace

void SplitArgumentSpans(const std::wstring& text, size_t from, std::vector<ArgSpan>& out) {
  size_t b = text.find_first_not_of(kSpace, from);
  size_t e = text.find_last_not_of(kSpace);
  if (b == std::wstring::npos || e < b) return;
  ++e;
  QuoteFinder quotes(text, e);
  while (b < e) {
    if (text[b] == kQuote) {
      // A quoted argument: the text up to the next quote, both quotes dropped; without a
      // closing quote the rest of the line.
      size_t close = quotes.From(b + 1);
      if (close == std::wstring::npos) close = e;
      out.emplace_back(b + 1, close - b - 1);
      b = close + 1;
    } else {
      size_t p = text.find(kSpace, b);
      if (p >= e) p = std::wstring::npos;
      size_t q = quotes.From(b);
      if (p == std::wstring::npos) {
        out.emplace_back(b, e - b);
        b = e;
      } else if (q == std::wstring::npos || q > p) {
        out.emplace_back(b, p - b);
        b = p + 1;
      } else {
        // A quote inside the argument before its first space (/out:"C:\My Files"): the quoted
        // part belongs to the argument and keeps its quotes. Without a closing quote the rest
        // of the line is the argument, the text before the quote included.
        size_t r = quotes.From(q + 1);
        size_t stop = r == std::wstring::npos ? e : r + 1;
        out.emplace_back(b, stop - b);
        b = stop;
      }
    }
    while (b < e && text[b] == kSpace) ++b;
  }
}

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
  std::vector<ArgSpan> spans;
  SplitArgumentSpans(text, 0, spans);
  std::vector<std::wstring> out;
  out.reserve(spans.size());
  for (const auto& sp : spans) out.emplace_back(text, sp.first, sp.second);
  return out;
}

namespace {

// The rebuilt line of `n` arguments, `get(i)` giving argument i.
template <class Get>
std::wstring RebuildLine(size_t n, Get get) {
  if (n == 0) return std::wstring();
  size_t total = 0;
  for (size_t i = 0; i < n; ++i) total += get(i).size() + 3;
  std::wstring s;
  s.reserve(total);
  for (size_t i = 0; i < n; ++i) {
    std::wstring_view a = get(i);
    if (i > 0) s += kSpace;
    bool space = a.find(kSpace) != std::wstring_view::npos;
    // The first argument (the program) is quoted for any space; the others only when they do
    // not carry quotes of their own.
    bool quote = space && (i == 0 || a.find(kQuote) == std::wstring_view::npos);
    if (quote) s += kQuote;
    s += a;
    if (quote) s += kQuote;
  }
  return s;
}

}  // namespace

std::wstring RebuildArguments(const std::vector<std::wstring>& args) {
  return RebuildLine(args.size(), [&](size_t i) { return std::wstring_view(args[i]); });
}

bool MatchesPattern(std::wstring_view text, const std::wstring& pattern) {
  std::vector<PatternItem> items = ParsePattern(pattern);
  // Every item but * takes one character, so the last * is the only one worth retrying.
  size_t t = 0, p = 0;
  size_t star = std::wstring::npos, star_t = 0;
  while (t < text.size()) {
    if (p < items.size() && items[p].kind == PatternItem::kStar) {
      star = p++;
      star_t = t;
    } else if (p < items.size() && items[p].Matches(text[t])) {
      ++p;
      ++t;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < items.size() && items[p].kind == PatternItem::kStar) ++p;
  return p == items.size();
}

std::wstring ProcessArgumentText() {
  const wchar_t* c = GetCommandLineW();
  if (!c) return std::wstring();
  // The program name: quoted, or up to the first blank.
  if (*c == kQuote) {
    ++c;
    while (*c && *c != kQuote) ++c;
    if (*c) ++c;
  } else {
    while (*c && *c != L' ' && *c != L'\t') ++c;
  }
  while (*c == L' ' || *c == L'\t') ++c;
  return c;
}

std::wstring ProgramPathArgument() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return L".exe";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder + name + L".exe";
}

// ---- behaviour -------------------------------------------------------------------------------

std::vector<std::wstring> CommandLineArgs::ParseList(const std::wstring& args, const std::wstring& cla) {
  if (!args.empty()) return SplitArguments(args);
  std::vector<std::wstring> list = SplitArguments(cla.empty() ? ProcessArgumentText() : cla);
  list.insert(list.begin(), ProgramPathArgument());
  return list;
}

void CommandLineArgs::ProcessCommandLine(const std::wstring& args) {
  spans_.clear();
  if (!args.empty()) {
    pool_ = args;
    SplitArgumentSpans(pool_, 0, spans_);
    return;
  }
  pool_ = ProgramPathArgument();
  spans_.emplace_back(0, pool_.size());
  size_t from = pool_.size();
  pool_ += ProcessArgumentText();
  SplitArgumentSpans(pool_, from, spans_);
}

std::vector<std::wstring> CommandLineArgs::args() const {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < spans_.size(); ++i) out.emplace_back(arg(i));
  return out;
}

std::wstring CommandLineArgs::Rebuild() const {
  return RebuildLine(spans_.size(), [&](size_t i) { return arg(i); });
}

long CommandLineArgs::FindSwitch(const std::wstring& sw, bool wildcard) const {
  for (size_t i = 0; i < spans_.size(); ++i) {
    if (wildcard ? MatchesPattern(arg(i), sw) : arg(i) == sw) return static_cast<long>(i);
  }
  return -1;
}

std::wstring CommandLineArgs::SwitchArgument(const std::wstring& sw, bool wildcard, long* position) const {
  long i = FindSwitch(sw, wildcard);
  if (i >= 0 && static_cast<size_t>(i) + 1 < spans_.size()) {
    *position = i + 1;
    return std::wstring(arg(static_cast<size_t>(i) + 1));
  }
  *position = -1;
  return std::wstring();
}

void CommandLineArgs::Add(const std::wstring& a) {
  if (spans_.size() >= static_cast<size_t>(LONG_MAX)) Raise(kErrOverflow);  // the count is a Long
  spans_.emplace_back(pool_.size(), a.size());
  pool_ += a;
}

void CommandLineArgs::Remove(long index) {
  if (spans_.size() == 1) {
    spans_.clear();
    pool_.clear();
    return;
  }
  // An index outside the list is refused, the list unchanged: shifting nothing and dropping
  // the last argument would lose an argument the caller did not name.
  if (index < 0 || static_cast<size_t>(index) >= spans_.size()) Raise(kErrSubscript);
  spans_.erase(spans_.begin() + index);
  // Text left behind by removed arguments is given back once it outweighs the rest.
  size_t live = 0;
  for (const auto& sp : spans_) live += sp.second;
  if (pool_.size() > 2 * live + 256) {
    std::wstring compact;
    compact.reserve(live);
    for (auto& sp : spans_) {
      size_t at = compact.size();
      compact.append(pool_, sp.first, sp.second);
      sp.first = at;
    }
    pool_.swap(compact);
  }
}

// ---- interface -------------------------------------------------------------------------------

STDMETHODIMP CommandLineArgs::argProcessCMDLine(BSTR Args, VARIANT* ret) {
  return Guard([&] {
    if (ret) VariantInit(ret);
    ProcessCommandLine(FromBstr(Args));
  });
}

STDMETHODIMP CommandLineArgs::argGetArgs(SAFEARRAY** argv, long* argc, BSTR Args, BSTR CLA, VARIANT* ret) {
  return Guard([&] {
    if (ret) VariantInit(ret);
    if (!argv || !argc) Raise(kErrInvalidCall);
    std::wstring args = FromBstr(Args);
    std::vector<std::wstring> list = ParseList(args, FromBstr(CLA));
    if (list.size() > static_cast<size_t>(LONG_MAX)) Raise(kErrOverflow);
    // With arguments given the caller's array is only resized as arguments are stored: a text
    // of blanks leaves it as it was, with a count of 0.
    if (!list.empty()) ReplaceArray(argv, list);
    *argc = static_cast<long>(list.size());
  });
}

STDMETHODIMP CommandLineArgs::argSwitchPresent(BSTR* Switch, long* Position, VARIANT_BOOL UseWildcard,
                                               VARIANT_BOOL* ret) {
  return Guard([&] {
    long i = FindSwitch(Switch ? FromBstr(*Switch) : std::wstring(), UseWildcard != VARIANT_FALSE);
    if (i >= 0 && Position) *Position = i;
    *ret = i >= 0 ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

STDMETHODIMP CommandLineArgs::argGetSwitchArg(BSTR* Switch, long* Position, VARIANT_BOOL UseWildcard, BSTR* ret) {
  return Guard([&] {
    long pos = -1;
    std::wstring a = SwitchArgument(Switch ? FromBstr(*Switch) : std::wstring(), UseWildcard != VARIANT_FALSE, &pos);
    BSTR r = ToBstr(a);
    if (Position) *Position = pos;
    *ret = r;
  });
}

STDMETHODIMP CommandLineArgs::argAdd(BSTR Argument, VARIANT* ret) {
  return Guard([&] {
    if (ret) VariantInit(ret);
    Add(FromBstr(Argument));
  });
}

STDMETHODIMP CommandLineArgs::argRemove(long Index, VARIANT* ret) {
  return Guard([&] {
    if (ret) VariantInit(ret);
    Remove(Index);
  });
}

STDMETHODIMP CommandLineArgs::argRebuildCmdLine(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Rebuild()); });
}

KZ_REGISTER_CLASS(CommandLineArgs);

}  // namespace kz
