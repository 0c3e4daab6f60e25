#include "com/typelib.h"

#include <atomic>
#include <cwctype>
#include <map>
#include <mutex>

namespace kz {
namespace {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct Library {
  ITypeLib* lib = nullptr;
  std::map<GUID, ITypeInfo*, GuidLess> infos;
  std::map<GUID, IfaceInfo, GuidLess> ifaces;

  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    for (auto& i : ifaces)
      for (auto& f : i.second.funcs)
        for (auto& p : f.params) {
          VariantClear(&p.def);
          if (p.rec) p.rec->Release();
        }
    for (auto& i : infos) i.second->Release();
    if (lib) lib->Release();
  }
};

std::wstring Lower(const wchar_t* s, size_t n) {
  std::wstring r(s, n);
  for (auto& c : r) c = static_cast<wchar_t>(std::towlower(c));
  return r;
}

// Type attributes of one type info, released with the holder.
class Attr {
 public:
  explicit Attr(ITypeInfo* ti) : ti_(ti) {
    if (FAILED(ti_->GetTypeAttr(&ta_))) ta_ = nullptr;
  }
  ~Attr() { if (ta_) ti_->ReleaseTypeAttr(ta_); }
  Attr(const Attr&) = delete;
  Attr& operator=(const Attr&) = delete;
  const TYPEATTR* operator->() const { return ta_; }
  explicit operator bool() const { return ta_ != nullptr; }

 private:
  ITypeInfo* ti_;
  TYPEATTR* ta_ = nullptr;
};

// Fills the base type of `p` from a type description; `depth` counts the pointers above it.
// False when a referenced type cannot be read.
bool Resolve(ITypeInfo* owner, const TYPEDESC& td, ParamInfo& p, int& depth) {
  switch (td.vt) {
    case VT_PTR:
      if (!td.lptdesc) return false;
      ++depth;
      return Resolve(owner, *td.lptdesc, p, depth);
    case VT_SAFEARRAY: {
      if (!td.lptdesc) return false;
      ParamInfo elem;
      int d = 0;
      if (!Resolve(owner, *td.lptdesc, elem, d)) return false;
      if (elem.rec) elem.rec->Release();
      p.vt = VT_ARRAY | elem.vt;
      return true;
    }
    case VT_USERDEFINED: {
      ITypeInfo* ref = nullptr;
      if (FAILED(owner->GetRefTypeInfo(td.hreftype, &ref)) || !ref) return false;
      bool ok = true;
      {
        Attr ta(ref);
        if (!ta) {
          ok = false;
        } else {
          switch (ta->typekind) {
            case TKIND_ENUM: p.vt = VT_I4; break;
            case TKIND_ALIAS: ok = Resolve(ref, ta->tdescAlias, p, depth); break;
            case TKIND_RECORD:
              p.vt = VT_RECORD;
              ok = SUCCEEDED(GetRecordInfoFromTypeInfo(ref, &p.rec)) && p.rec;
              break;
            case TKIND_COCLASS:
            case TKIND_DISPATCH:
            case TKIND_INTERFACE: {
              bool disp = ta->typekind != TKIND_INTERFACE || (ta->wTypeFlags & TYPEFLAG_FDUAL) ||
                          IsEqualGUID(ta->guid, IID_IDispatch);
              p.vt = disp ? VT_DISPATCH : VT_UNKNOWN;
              p.iid = ta->typekind == TKIND_COCLASS ? IID_IDispatch : ta->guid;
              --depth;  // the interface pointer itself is the value
              break;
            }
            default: p.vt = VT_VARIANT; break;
          }
        }
      }
      ref->Release();
      return ok;
    }
    case VT_DISPATCH: p.vt = VT_DISPATCH; p.iid = IID_IDispatch; return true;
    case VT_UNKNOWN: p.vt = VT_UNKNOWN; p.iid = IID_IUnknown; return true;
    default: p.vt = td.vt; return true;
  }
}

// Describes one member; a member whose description cannot be read in full stays unusable
// (calls to it fail with an error instead of guessing at its parameters).
FuncInfo DescribeFunc(ITypeInfo* ti, const FUNCDESC* fd) {
  FuncInfo f;
  f.id = fd->memid;
  f.kind = fd->invkind;
  f.vft = fd->oVft;
  for (SHORT k = 0; k < fd->cParams; ++k) {
    const ELEMDESC& ed = fd->lprgelemdescParam[k];
    ParamInfo p;
    int depth = 0;
    if (!Resolve(ti, ed.tdesc, p, depth)) f.usable = false;
    p.byref = depth >= 1;
    USHORT fl = ed.paramdesc.wParamFlags;
    p.retval = (fl & PARAMFLAG_FRETVAL) != 0;
    p.optional = (fl & PARAMFLAG_FOPT) != 0;
    p.out_only = p.byref && (fl & PARAMFLAG_FOUT) && !(fl & PARAMFLAG_FIN) && !p.retval;
    VariantInit(&p.def);
    if ((fl & PARAMFLAG_FHASDEFAULT) && ed.paramdesc.pparamdescex) {
      if (SUCCEEDED(VariantCopy(&p.def, &ed.paramdesc.pparamdescex->varDefaultValue))) p.has_default = true;
      else f.usable = false;
    }
    if (p.retval) f.has_retval = true; else ++f.n_in;
    f.params.push_back(p);
  }
  BSTR name = nullptr;
  UINT got = 0;
  if (SUCCEEDED(ti->GetNames(fd->memid, &name, 1, &got)) && got == 1 && name) {
    f.name.assign(name, SysStringLen(name));
    SysFreeString(name);
  }
  return f;
}

void Describe(ITypeInfo* ti, IfaceInfo& info) {
  Attr ta(ti);
  if (!ta) return;
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd)) || !fd) continue;
    FuncInfo f = DescribeFunc(ti, fd);
    ti->ReleaseFuncDesc(fd);
    if (!f.name.empty()) info.names[Lower(f.name.data(), f.name.size())] = f.id;
    info.funcs.push_back(std::move(f));
  }
}

Library* Load() {
  auto* l = new Library;
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(ThisModule(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || FAILED(LoadTypeLibEx(path, REGKIND_NONE, &l->lib)) || !l->lib) {
    l->lib = nullptr;
    return l;
  }
  UINT count = l->lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    ITypeInfo* ti = nullptr;
    if (FAILED(l->lib->GetTypeInfo(i, &ti)) || !ti) continue;
    GUID g;
    TYPEKIND kind;
    WORD flags;
    {
      Attr ta(ti);
      if (!ta) { ti->Release(); continue; }
      g = ta->guid;
      kind = ta->typekind;
      flags = ta->wTypeFlags;
    }
    l->infos[g] = ti;  // the cache holds the reference
    if (kind == TKIND_DISPATCH && (flags & TYPEFLAG_FDUAL)) {
      // The vtable layout (slot offsets) is on the interface half of a dual interface.
      HREFTYPE h;
      ITypeInfo* vt = nullptr;
      if (SUCCEEDED(ti->GetRefTypeOfImplType(-1, &h)) && SUCCEEDED(ti->GetRefTypeInfo(h, &vt)) && vt) {
        Describe(vt, l->ifaces[g]);
        vt->Release();
      }
    } else if (kind == TKIND_INTERFACE) {
      Describe(ti, l->ifaces[g]);
    }
  }
  return l;
}

std::atomic<Library*> g_lib{nullptr};
std::mutex g_lock;

Library& Lib() {
  Library* l = g_lib.load(std::memory_order_acquire);
  if (l) return *l;
  std::lock_guard<std::mutex> hold(g_lock);
  l = g_lib.load(std::memory_order_relaxed);
  if (!l) {
    l = Load();
    g_lib.store(l, std::memory_order_release);
  }
  return *l;
}

}  // namespace

HMODULE ThisModule() {
  HMODULE h = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &h);
  return h;
}

ITypeLib* LibraryTypeLib() { return Lib().lib; }

ITypeInfo* TypeInfoOf(REFGUID guid) {
  auto& l = Lib();
  auto it = l.infos.find(guid);
  return it == l.infos.end() ? nullptr : it->second;
}

const IfaceInfo* InterfaceOf(REFIID iid) {
  auto& l = Lib();
  auto it = l.ifaces.find(iid);
  return it == l.ifaces.end() ? nullptr : &it->second;
}

void ReleaseTypeLibrary() {
  std::lock_guard<std::mutex> hold(g_lock);
  delete g_lib.exchange(nullptr, std::memory_order_acq_rel);
}

}  // namespace kz
