// Reads the library's built type library, as a client's object browser does, and
//   help    lists every item that has no help string (exit 1 when there is one);
//   write   writes the reference pages (Markdown) into a folder;
//   compare tells whether the pages in a folder are exactly what write would produce.
// Usage: typelib-ref help TYPELIB
//        typelib-ref write|compare TYPELIB PAGES-FILE FOLDER
// The pages file says which page shows each type and lists the index's tasks; the class
// catalogue gives each class's instancing and programmatic identifier, and is checked against
// the type library's own flags.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/catalogue.h"

namespace {

std::wstring Widen(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}
std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}
std::wstring Take(BSTR b) {
  std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
  SysFreeString(b);
  return s;
}
std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}
std::wstring GuidText(const GUID& g) {
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return buf;
}
std::wstring Cell(std::wstring s) {  // text inside a Markdown table cell
  for (size_t at = 0; (at = s.find(L'|', at)) != std::wstring::npos; at += 2) s.replace(at, 1, L"\\|");
  return s;
}

[[noreturn]] void Fail(const std::wstring& what) {
  fwprintf(stderr, L"typelib-ref: %ls\n", what.c_str());
  exit(2);
}

// ---- the type library --------------------------------------------------------------------
struct Info {
  ITypeInfo* ti = nullptr;
  TYPEATTR* attr = nullptr;
  std::wstring name, help;
};

Info Open(ITypeInfo* ti) {
  Info i;
  i.ti = ti;
  if (FAILED(ti->GetTypeAttr(&i.attr))) Fail(L"a type without attributes");
  BSTR name = nullptr, help = nullptr;
  ti->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
  i.name = Take(name);
  i.help = Take(help);
  return i;
}
std::wstring MemberHelp(ITypeInfo* ti, MEMBERID id, std::wstring* name = nullptr) {
  BSTR n = nullptr, h = nullptr;
  ti->GetDocumentation(id, &n, &h, nullptr, nullptr);
  std::wstring nn = Take(n);
  if (name) *name = nn;
  return Take(h);
}
// The vtable part of a dual interface lists the members in slot order, each in its own form.
ITypeInfo* VtablePart(ITypeInfo* ti, TYPEATTR* a) {
  if (a->typekind == TKIND_DISPATCH && (a->wTypeFlags & TYPEFLAG_FDUAL)) {
    HREFTYPE h;
    ITypeInfo* part = nullptr;
    if (SUCCEEDED(ti->GetRefTypeOfImplType(static_cast<UINT>(-1), &h)) && SUCCEEDED(ti->GetRefTypeInfo(h, &part)))
      return part;
  }
  ti->AddRef();
  return ti;
}

struct TypeText {
  bool byref = false, array = false;
  std::wstring name;
};
bool IsObjectRef(ITypeInfo* ti, const TYPEDESC* td) {
  if (td->vt != VT_USERDEFINED) return false;
  ITypeInfo* r = nullptr;
  if (FAILED(ti->GetRefTypeInfo(td->hreftype, &r))) return false;
  TYPEATTR* a = nullptr;
  bool obj = false;
  if (SUCCEEDED(r->GetTypeAttr(&a))) {
    obj = a->typekind == TKIND_INTERFACE || a->typekind == TKIND_DISPATCH || a->typekind == TKIND_COCLASS;
    r->ReleaseTypeAttr(a);
  }
  r->Release();
  return obj;
}
std::wstring BaseName(ITypeInfo* ti, const TYPEDESC* td) {
  switch (td->vt) {
    case VT_PTR: return BaseName(ti, td->lptdesc);
    case VT_SAFEARRAY: return BaseName(ti, td->lptdesc) + L"()";
    case VT_USERDEFINED: {
      ITypeInfo* r = nullptr;
      if (FAILED(ti->GetRefTypeInfo(td->hreftype, &r))) return L"?";
      BSTR n = nullptr;
      r->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr);
      r->Release();
      return Take(n);
    }
    case VT_BSTR: return L"String";
    case VT_I4: case VT_INT: return L"Long";
    case VT_UI4: case VT_UINT: return L"Long (unsigned)";
    case VT_I2: return L"Integer";
    case VT_UI2: return L"Integer (unsigned)";
    case VT_UI1: return L"Byte";
    case VT_I1: return L"Byte (signed)";
    case VT_BOOL: return L"Boolean";
    case VT_R4: return L"Single";
    case VT_R8: return L"Double";
    case VT_CY: return L"Currency";
    case VT_DATE: return L"Date";
    case VT_VARIANT: return L"Variant";
    case VT_DISPATCH: return L"Object";
    case VT_UNKNOWN: return L"IUnknown";
    case VT_HRESULT: return L"HRESULT";
    case VT_VOID: return L"";
    default: return L"vt " + std::to_wstring(td->vt);
  }
}
TypeText Describe(ITypeInfo* ti, const TYPEDESC* td) {
  TypeText t;
  if (td->vt == VT_PTR && !IsObjectRef(ti, td->lptdesc)) {
    t.byref = true;
    td = td->lptdesc;
  }
  if (td->vt == VT_SAFEARRAY) {
    t.array = true;
    td = td->lptdesc;
  }
  t.name = BaseName(ti, td);
  return t;
}
std::wstring ValueText(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: {
      std::wstring s(v.bstrVal ? v.bstrVal : L"");
      for (size_t at = 0; (at = s.find(L'"', at)) != std::wstring::npos; at += 2) s.insert(at, 1, L'"');
      return L"\"" + s + L"\"";
    }
    case VT_BOOL: return v.boolVal ? L"True" : L"False";
    case VT_EMPTY: return L"Empty";
    case VT_I1: return std::to_wstring(v.cVal);
    case VT_UI1: return std::to_wstring(v.bVal);
    case VT_I2: return std::to_wstring(v.iVal);
    case VT_UI2: return std::to_wstring(v.uiVal);
    case VT_I4: case VT_INT: return std::to_wstring(v.lVal);
    case VT_UI4: case VT_UINT: return std::to_wstring(v.ulVal);
    default: {
      VARIANT t;
      VariantInit(&t);
      std::wstring s = L"?";
      if (SUCCEEDED(VariantChangeTypeEx(&t, const_cast<VARIANT*>(&v), LOCALE_INVARIANT, 0, VT_BSTR))) s = t.bstrVal;
      VariantClear(&t);
      return s;
    }
  }
}
std::wstring EnumValueText(const VARIANT& v) {
  std::wstring s = ValueText(v);
  if ((v.vt == VT_I4 || v.vt == VT_INT) && v.lVal < 0) {
    wchar_t hex[16];
    swprintf(hex, 16, L"&H%08X", static_cast<unsigned>(v.lVal));
    s += L" (" + std::wstring(hex) + L")";
  }
  return s;
}

struct Member {
  int slot;
  MEMBERID id;
  std::wstring name, signature, help;
};

std::wstring Signature(ITypeInfo* ti, const FUNCDESC* fd, const std::wstring& name, bool event) {
  std::vector<BSTR> names(fd->cParams + 1, nullptr);
  UINT got = 0;
  ti->GetNames(fd->memid, names.data(), static_cast<UINT>(names.size()), &got);
  std::wstring params, ret;
  for (SHORT k = 0; k < fd->cParams; ++k) {
    const ELEMDESC& ed = fd->lprgelemdescParam[k];
    TypeText t = Describe(ti, &ed.tdesc);
    USHORT fl = ed.paramdesc.wParamFlags;
    if (fl & PARAMFLAG_FRETVAL) {
      ret = t.name + (t.array ? L"()" : L"");
      continue;
    }
    // The names of a member id are those of its first accessor (the get, with its result): the
    // value an assignment passes is named as Visual Basic names it.
    bool value = (fd->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) && k == fd->cParams - 1;
    std::wstring pname = !value && static_cast<UINT>(k + 1) < got && names[k + 1] ? std::wstring(names[k + 1]) : L"RHS";
    std::wstring p;
    if (fl & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) p += L"Optional ";
    p += t.byref ? L"ByRef " : L"ByVal ";
    p += pname + (t.array ? L"()" : L"") + L" As " + t.name;
    if ((fl & PARAMFLAG_FHASDEFAULT) && ed.paramdesc.pparamdescex)
      p += L" = " + ValueText(ed.paramdesc.pparamdescex->varDefaultValue);
    params += (params.empty() ? L"" : L", ") + p;
  }
  for (BSTR b : names) SysFreeString(b);
  if (fd->elemdescFunc.tdesc.vt != VT_HRESULT && fd->elemdescFunc.tdesc.vt != VT_VOID)
    ret = Describe(ti, &fd->elemdescFunc.tdesc).name;
  std::wstring kind;
  if (event) kind = L"Event";
  else if (fd->invkind == INVOKE_PROPERTYGET) kind = L"Property Get";
  else if (fd->invkind == INVOKE_PROPERTYPUT) kind = L"Property Let";
  else if (fd->invkind == INVOKE_PROPERTYPUTREF) kind = L"Property Set";
  else kind = ret.empty() ? L"Sub" : L"Function";
  std::wstring s = kind + L" " + name + L"(" + params + L")";
  if (!ret.empty() && !event && fd->invkind != INVOKE_PROPERTYPUT && fd->invkind != INVOKE_PROPERTYPUTREF)
    s += L" As " + ret;
  return s;
}

std::vector<Member> Members(ITypeInfo* ti, bool event) {
  std::vector<Member> out;
  TYPEATTR* a = nullptr;
  if (FAILED(ti->GetTypeAttr(&a))) return out;
  for (UINT k = 0; k < a->cFuncs; ++k) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(k, &fd))) continue;
    Member m;
    m.slot = static_cast<int>(k) + 1;
    m.id = fd->memid;
    m.help = MemberHelp(ti, fd->memid, &m.name);
    m.signature = Signature(ti, fd, m.name, event);
    out.push_back(m);
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(a);
  return out;
}

struct Var {
  std::wstring name, value, help;
};
std::vector<Var> Vars(ITypeInfo* ti, bool is_enum) {
  std::vector<Var> out;
  TYPEATTR* a = nullptr;
  if (FAILED(ti->GetTypeAttr(&a))) return out;
  for (UINT k = 0; k < a->cVars; ++k) {
    VARDESC* vd = nullptr;
    if (FAILED(ti->GetVarDesc(k, &vd))) continue;
    Var v;
    v.help = MemberHelp(ti, vd->memid, &v.name);
    if (is_enum) {
      v.value = vd->lpvarValue ? EnumValueText(*vd->lpvarValue) : L"?";
    } else {
      TypeText t = Describe(ti, &vd->elemdescVar.tdesc);
      v.value = t.name + (t.array ? L"()" : L"");
    }
    out.push_back(v);
    ti->ReleaseVarDesc(vd);
  }
  ti->ReleaseTypeAttr(a);
  return out;
}

std::wstring IdText(MEMBERID id) {
  if (id >= -0xffff && id <= 0xffff) return std::to_wstring(id);
  wchar_t hex[16];
  swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(id));
  return hex;
}

struct Library {
  ITypeLib* tl = nullptr;
  std::wstring name, help;
  GUID libid{};
  std::vector<Info> types;
};

Library Load(const std::wstring& path) {
  Library lib;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib.tl))) Fail(L"cannot load the type library " + path);
  BSTR n = nullptr, h = nullptr;
  lib.tl->GetDocumentation(-1, &n, &h, nullptr, nullptr);
  lib.name = Take(n);
  lib.help = Take(h);
  TLIBATTR* la = nullptr;
  if (SUCCEEDED(lib.tl->GetLibAttr(&la))) {
    lib.libid = la->guid;
    lib.tl->ReleaseTLibAttr(la);
  }
  for (UINT k = 0; k < lib.tl->GetTypeInfoCount(); ++k) {
    ITypeInfo* ti = nullptr;
    if (FAILED(lib.tl->GetTypeInfo(k, &ti))) Fail(L"an unreadable type");
    lib.types.push_back(Open(ti));
  }
  return lib;
}

// ---- help: every item a client browses has a description --------------------------------
int Help(const Library& lib) {
  std::vector<std::wstring> missing;
  if (lib.help.empty()) missing.push_back(L"library " + lib.name);
  for (const Info& t : lib.types) {
    if (t.help.empty()) missing.push_back(t.name);
    TYPEKIND k = t.attr->typekind;
    if (k == TKIND_ENUM || k == TKIND_RECORD) {
      for (const Var& v : Vars(t.ti, k == TKIND_ENUM))
        if (v.help.empty()) missing.push_back(t.name + L"." + v.name);
    } else if (k == TKIND_INTERFACE || k == TKIND_DISPATCH) {
      ITypeInfo* part = VtablePart(t.ti, t.attr);
      std::set<MEMBERID> seen;
      for (const Member& m : Members(part, false))
        if (seen.insert(m.id).second && m.help.empty()) missing.push_back(t.name + L"." + m.name);
      part->Release();
    }
  }
  std::set<std::wstring> said;
  missing.erase(std::remove_if(missing.begin(), missing.end(), [&](const std::wstring& m) { return !said.insert(m).second; }),
                missing.end());
  for (const auto& m : missing) wprintf(L"no help string: %ls\n", m.c_str());
  wprintf(L"%u items without a help string\n", static_cast<unsigned>(missing.size()));
  return missing.empty() ? 0 : 1;
}

// ---- the pages ----------------------------------------------------------------------------
struct Page {
  std::wstring file, title, intro;
  std::vector<std::wstring> types;
};
struct Task {
  std::wstring text;
  std::vector<std::wstring> classes;
};
struct Plan {
  std::wstring intro;
  std::vector<Page> pages;
  std::vector<Task> tasks;
};

std::vector<std::wstring> Words(const std::wstring& s) {
  std::wistringstream in(s);
  std::vector<std::wstring> w;
  for (std::wstring x; in >> x;) w.push_back(x);
  return w;
}

Plan ReadPlan(const std::wstring& path) {
  std::ifstream in(Narrow(path), std::ios::binary);
  if (!in) Fail(L"cannot read " + path);
  Plan plan;
  std::string raw;
  auto page = [&](const std::wstring& file) -> Page& {
    for (auto& p : plan.pages)
      if (p.file == file) return p;
    Fail(L"no page " + file + L" declared before its use");
  };
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::wstring line = Widen(raw);
    if (line.empty() || line[0] == L'#') continue;
    size_t sp = line.find(L' ');
    std::wstring verb = line.substr(0, sp), rest = sp == std::wstring::npos ? L"" : line.substr(sp + 1);
    if (verb == L"intro") {
      plan.intro += (plan.intro.empty() ? L"" : L"\n") + rest;
    } else if (verb == L"page" || verb == L"about" || verb == L"type") {
      size_t sp2 = rest.find(L' ');
      std::wstring file = rest.substr(0, sp2), text = sp2 == std::wstring::npos ? L"" : rest.substr(sp2 + 1);
      if (verb == L"page") {
        plan.pages.push_back(Page{file, text, L"", {}});
      } else if (verb == L"about") {
        Page& p = page(file);
        p.intro += (p.intro.empty() ? L"" : L"\n") + text;
      } else {
        for (auto& w : Words(text)) page(file).types.push_back(w);
      }
    } else if (verb == L"task") {
      size_t eq = rest.find(L" = ");
      if (eq == std::wstring::npos) Fail(L"a task without ' = ': " + line);
      plan.tasks.push_back(Task{rest.substr(0, eq), Words(rest.substr(eq + 3))});
    } else {
      Fail(L"unknown line in the pages file: " + line);
    }
  }
  return plan;
}

std::wstring Anchor(const std::wstring& name) { return Lower(name); }

struct Writer {
  const Library& lib;
  const Plan& plan;
  std::map<std::wstring, const Info*> by_name;
  std::map<std::wstring, std::wstring> page_of;  // type name -> page file
  std::vector<std::wstring> errors;

  Writer(const Library& l, const Plan& p) : lib(l), plan(p) {
    for (const Info& t : lib.types) by_name[t.name] = &t;
    std::set<std::wstring> shown;
    for (const Page& pg : plan.pages)
      for (const auto& n : pg.types) {
        if (!by_name.count(n)) errors.push_back(L"the pages file names " + n + L", which the type library lacks");
        else if (!page_of.emplace(n, pg.file).second) errors.push_back(n + L" is on two pages");
        shown.insert(n);
        if (by_name.count(n) && by_name[n]->attr->typekind == TKIND_COCLASS)
          for (const auto& i : Interfaces(*by_name[n])) shown.insert(i.second->name);
      }
    for (const Info& t : lib.types)
      if (!shown.count(t.name)) errors.push_back(t.name + L" is on no page");
    for (const Task& task : plan.tasks)
      for (const auto& c : task.classes)
        if (!page_of.count(c)) errors.push_back(L"the task '" + task.text + L"' names " + c + L", which is on no page");
  }

  // A class's default interface and its event interface, as flags and type.
  std::vector<std::pair<int, const Info*>> Interfaces(const Info& co) {
    std::vector<std::pair<int, const Info*>> out;
    for (UINT k = 0; k < co.attr->cImplTypes; ++k) {
      HREFTYPE h;
      ITypeInfo* r = nullptr;
      INT flags = 0;
      co.ti->GetImplTypeFlags(k, &flags);
      if (FAILED(co.ti->GetRefTypeOfImplType(k, &h)) || FAILED(co.ti->GetRefTypeInfo(h, &r))) continue;
      BSTR n = nullptr;
      r->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr);
      r->Release();
      auto it = by_name.find(Take(n));
      if (it != by_name.end()) out.push_back({flags, it->second});
    }
    return out;
  }

  std::wstring Link(const std::wstring& name, const std::wstring& from) {
    auto it = page_of.find(name);
    if (it == page_of.end()) return L"`" + name + L"`";
    std::wstring target = it->second == from ? L"" : it->second + L".md";
    return L"[`" + name + L"`](" + target + L"#" + Anchor(name) + L")";
  }

  std::wstring Instancing(const Info& co, std::wstring* progid) {
    const kz::ClassEntry* e = kz::FindClass(co.name);
    if (!e) {
      errors.push_back(co.name + L" is not in the class catalogue");
      return L"?";
    }
    bool creatable = (co.attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0;
    bool global = (co.attr->wTypeFlags & TYPEFLAG_FAPPOBJECT) != 0;
    bool dependent = e->instancing == kz::Instancing::Dependent;
    if (creatable == dependent || global != (e->instancing == kz::Instancing::Global))
      errors.push_back(co.name + L": the type library's flags and the class catalogue disagree on its instancing");
    if (dependent) {
      *progid = L"";
      return L"dependent: not creatable; handed out by other classes";
    }
    *progid = kz::ProgIdOf(*e);
    return global ? L"global: creatable, and its members are callable without an instance" : L"creatable";
  }

  void MemberTable(std::wostringstream& o, ITypeInfo* ti, bool event) {
    std::vector<Member> ms = Members(ti, event);
    if (ms.empty()) {
      o << L"No members.\n\n";
      return;
    }
    o << L"| Slot | Dispatch id | Member | Description |\n|---|---|---|---|\n";
    for (const Member& m : ms)
      o << L"| " << m.slot << L" | " << IdText(m.id) << L" | `" << Cell(m.signature) << L"` | " << Cell(m.help) << L" |\n";
    o << L"\n";
  }

  void Class(std::wostringstream& o, const Info& co, const std::wstring& file) {
    std::wstring progid;
    std::wstring inst = Instancing(co, &progid);
    o << L"## " << co.name << L"\n\n" << co.help << L"\n\n| | |\n|---|---|\n";
    o << L"| Programmatic identifier | " << (progid.empty() ? L"none" : L"`" + progid + L"`") << L" |\n";
    o << L"| Class identifier | `" << GuidText(co.attr->guid) << L"` |\n";
    o << L"| Instancing | " << inst << L" |\n";
    std::vector<std::pair<int, const Info*>> ifs = Interfaces(co);
    for (const auto& i : ifs)
      o << L"| " << ((i.first & IMPLTYPEFLAG_FSOURCE) ? L"Event interface" : L"Default interface") << L" | `"
        << i.second->name << L"` `" << GuidText(i.second->attr->guid) << L"` |\n";
    o << L"\n";
    for (const auto& i : ifs) {
      bool source = (i.first & IMPLTYPEFLAG_FSOURCE) != 0;
      o << L"### " << (source ? L"Events" : L"Members") << L" (`" << i.second->name << L"`)\n\n";
      if (!i.second->help.empty()) o << i.second->help << L"\n\n";
      ITypeInfo* part = VtablePart(i.second->ti, i.second->attr);
      MemberTable(o, part, source);
      part->Release();
    }
    (void)file;
  }

  std::wstring PageText(const Page& pg) {
    std::wostringstream o;
    o << L"# " << pg.title << L"\n\n";
    if (!pg.intro.empty()) o << pg.intro << L"\n\n";
    o << L"Part of the [Kelzud10 reference](index.md). Generated from the built type library by "
         L"`tools/typelib-ref`; do not edit.\n\n";
    std::vector<const Info*> classes, enums, records, others;
    for (const auto& n : pg.types) {
      auto it = by_name.find(n);
      if (it == by_name.end()) continue;
      switch (it->second->attr->typekind) {
        case TKIND_COCLASS: classes.push_back(it->second); break;
        case TKIND_ENUM: enums.push_back(it->second); break;
        case TKIND_RECORD: records.push_back(it->second); break;
        default: others.push_back(it->second); break;
      }
    }
    if (!classes.empty()) {
      o << L"| Class | Description |\n|---|---|\n";
      for (auto* c : classes) o << L"| " << Link(c->name, pg.file) << L" | " << Cell(c->help) << L" |\n";
      o << L"\n";
    }
    for (auto* c : classes) Class(o, *c, pg.file);
    for (auto* i : others) {
      o << L"## " << i->name << L"\n\n" << i->help << L"\n\n| | |\n|---|---|\n| Interface identifier | `"
        << GuidText(i->attr->guid) << L"` |\n\n";
      ITypeInfo* part = VtablePart(i->ti, i->attr);
      MemberTable(o, part, false);
      part->Release();
    }
    for (auto* e : enums) {
      o << L"## " << e->name << L"\n\nEnumeration. " << e->help << L"\n\n| Name | Value | Description |\n|---|---|---|\n";
      for (const Var& v : Vars(e->ti, true))
        o << L"| `" << v.name << L"` | " << v.value << L" | " << Cell(v.help) << L" |\n";
      o << L"\n";
    }
    for (auto* r : records) {
      o << L"## " << r->name << L"\n\nRecord. " << r->help << L"\n\n| Field | Type | Description |\n|---|---|---|\n";
      for (const Var& v : Vars(r->ti, false))
        o << L"| `" << v.name << L"` | " << Cell(v.value) << L" | " << Cell(v.help) << L" |\n";
      o << L"\n";
    }
    return o.str();
  }

  std::wstring IndexText() {
    std::wostringstream o;
    o << L"# " << lib.name << L" reference\n\n" << lib.help << L"\n\n";
    TLIBATTR* la = nullptr;
    if (SUCCEEDED(lib.tl->GetLibAttr(&la))) {
      o << L"Type library `" << GuidText(la->guid) << L"`, version " << la->wMajorVerNum << L"."
        << la->wMinorVerNum << L", locale " << la->lcid << L". ";
      lib.tl->ReleaseTLibAttr(la);
    }
    o << L"Generated from the built type library by `tools/typelib-ref`; do not edit.\n\n";
    if (!plan.intro.empty()) o << plan.intro << L"\n\n";
    o << L"## By task\n\n| Task | Classes |\n|---|---|\n";
    for (const Task& t : plan.tasks) {
      std::wstring links;
      for (const auto& c : t.classes) links += (links.empty() ? L"" : L", ") + Link(c, L"index");
      o << L"| " << Cell(t.text) << L" | " << links << L" |\n";
    }
    o << L"\n## By subsystem\n\n";
    for (const Page& pg : plan.pages) o << L"- [" << pg.title << L"](" << pg.file << L".md)\n";
    o << L"\n## All classes\n\n| Class | Instancing | Description |\n|---|---|---|\n";
    std::vector<const Info*> classes;
    for (const Info& t : lib.types)
      if (t.attr->typekind == TKIND_COCLASS) classes.push_back(&t);
    std::sort(classes.begin(), classes.end(), [](const Info* a, const Info* b) { return Lower(a->name) < Lower(b->name); });
    for (auto* c : classes) {
      std::wstring progid, inst = Instancing(*c, &progid);
      o << L"| " << Link(c->name, L"index") << L" | " << inst.substr(0, inst.find(L':')) << L" | " << Cell(c->help) << L" |\n";
    }
    o << L"\n";
    return o.str();
  }

  std::map<std::wstring, std::string> All() {
    std::map<std::wstring, std::string> files;
    files[L"index.md"] = Narrow(IndexText());
    for (const Page& pg : plan.pages) files[pg.file + L".md"] = Narrow(PageText(pg));
    return files;
  }
};

bool ReadFile(const std::wstring& path, std::string* out) {
  std::ifstream in(Narrow(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *out = s.str();
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (FAILED(CoInitialize(nullptr))) Fail(L"no COM");
  if (mode == L"help" && argc == 3) return Help(Load(argv[2]));
  if ((mode != L"write" && mode != L"compare") || argc != 5) {
    fwprintf(stderr, L"usage: typelib-ref help TYPELIB | typelib-ref write|compare TYPELIB PAGES FOLDER\n");
    return 2;
  }
  Library lib = Load(argv[2]);
  Plan plan = ReadPlan(argv[3]);
  std::wstring folder = argv[4];
  Writer w(lib, plan);
  std::map<std::wstring, std::string> files = w.All();
  if (!w.errors.empty()) {
    for (const auto& e : w.errors) fwprintf(stderr, L"typelib-ref: %ls\n", e.c_str());
    return 2;
  }
  if (mode == L"write") {
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const auto& f : files) {
      std::ofstream out(Narrow(folder + L"/" + f.first), std::ios::binary | std::ios::trunc);
      out << f.second;
      if (!out) Fail(L"cannot write " + f.first);
    }
    wprintf(L"%u pages written\n", static_cast<unsigned>(files.size()));
    return 0;
  }
  int differ = 0;
  for (const auto& f : files) {
    std::string have;
    if (!ReadFile(folder + L"/" + f.first, &have)) {
      wprintf(L"missing: %ls\n", f.first.c_str());
      ++differ;
    } else if (have != f.second) {
      wprintf(L"differs from the build: %ls\n", f.first.c_str());
      ++differ;
    }
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"/*.md").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!files.count(fd.cFileName)) {
        wprintf(L"not generated: %ls\n", fd.cFileName);
        ++differ;
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  if (differ) wprintf(L"the reference is out of date: rebuild and run the reference target to regenerate it\n");
  else wprintf(L"the reference matches the build (%u pages)\n", static_cast<unsigned>(files.size()));
  return differ ? 1 : 0;
}
