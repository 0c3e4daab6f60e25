// Command-line arguments by the library's own splitting rules: quotes inside an argument are
// kept, a quoted empty argument counts, and a parse of the process's own command line puts
// the program's path in element 0. One object holds one argument list.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

// Where an argument lies in a text: offset and length. Every argument the splitting finds is
// one unbroken piece of the text it came from.
using ArgSpan = std::pair<size_t, size_t>;

// Splits text from `from` on, as argGetArgs splits (spaces separate, tabs do not), appending
// the arguments' places to `out`.
void SplitArgumentSpans(const std::wstring& text, size_t from, std::vector<ArgSpan>& out);
// The arguments of `text`.
std::vector<std::wstring> SplitArguments(const std::wstring& text);
// The command line that argRebuildCmdLine makes of a list.
std::wstring RebuildArguments(const std::vector<std::wstring>& args);
// Whole-text, case-sensitive wildcard match: ? one character, * any run, # one digit,
// [list] one of the list (ranges a-z allowed), [!list] one character not in it. A pattern with
// an unclosed list raises error 93.
bool MatchesPattern(std::wstring_view text, const std::wstring& pattern);

// The process's command line after the program name, as the runtime hands it to a program.
std::wstring ProcessArgumentText();
// Element 0 of a parse of the process's command line: the program's folder, a backslash, its
// base name and ".exe".
std::wstring ProgramPathArgument();

class CommandLineArgs : public ComObject<CommandLineArgs, _clsKelzudAppCLAHandlerA> {
  KZ_CLASS(clsKelzudAppCLAHandlerA)
 public:
  STDMETHODIMP argProcessCMDLine(BSTR Args, VARIANT* ret) override;
  STDMETHODIMP argGetArgs(SAFEARRAY** argv, long* argc, BSTR Args, BSTR CLA, VARIANT* ret) override;
  STDMETHODIMP argSwitchPresent(BSTR* Switch, long* Position, VARIANT_BOOL UseWildcard,
                                VARIANT_BOOL* ret) override;
  STDMETHODIMP argGetSwitchArg(BSTR* Switch, long* Position, VARIANT_BOOL UseWildcard, BSTR* ret) override;
  STDMETHODIMP argAdd(BSTR Argument, VARIANT* ret) override;
  STDMETHODIMP argRemove(long Index, VARIANT* ret) override;
  STDMETHODIMP argRebuildCmdLine(BSTR* ret) override;

  // The list argGetArgs would fill: with `args` not empty exactly its arguments; otherwise
  // the program path followed by the arguments of `cla` (the process's when `cla` is empty).
  static std::vector<std::wstring> ParseList(const std::wstring& args, const std::wstring& cla);

  // Replaces the list as argProcessCMDLine does.
  void ProcessCommandLine(const std::wstring& args);
  // Index of the first argument that equals (or matches) `sw`; -1 when none does.
  long FindSwitch(const std::wstring& sw, bool wildcard) const;
  // The argument after the switch, or "" with *position -1.
  std::wstring SwitchArgument(const std::wstring& sw, bool wildcard, long* position) const;
  void Add(const std::wstring& arg);
  void Remove(long index);
  std::wstring Rebuild() const;
  size_t count() const { return spans_.size(); }
  std::wstring_view arg(size_t i) const { return std::wstring_view(pool_).substr(spans_[i].first, spans_[i].second); }
  std::vector<std::wstring> args() const;

 private:
  // The arguments lie in one text: a parse keeps the line it split, argAdd appends to it.
  std::wstring pool_;
  std::vector<ArgSpan> spans_;
};

}  // namespace kz
