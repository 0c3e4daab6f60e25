// The class catalogue: every public class, its instancing, and which classes are built.
#pragma once
#include <string>
#include <vector>
#include "com/inproc.h"
#include "frame/kz.h"

namespace kz {

enum class Instancing { Creatable, Global, Dependent };

struct ClassEntry {
  const wchar_t* name;
  const CLSID* clsid;
  Instancing instancing;
};

const std::vector<ClassEntry>& Catalogue();
const ClassEntry* FindClass(const std::wstring& name);   // without regard to case
const ClassEntry* FindClass(REFCLSID clsid);

// Built classes register their creator once, from their own source file.
bool RegisterCreator(const wchar_t* name, Creator c);
Creator CreatorOf(const ClassEntry& e);
bool IsBuilt(const ClassEntry& e);
// Registered with the platform: built and not dependent.
bool IsPublished(const ClassEntry& e);
// The programmatic identifier registration writes for a published class.
std::wstring ProgIdOf(const ClassEntry& e);

// Creates a library class directly (as the library's own code does for private helpers).
// Dependent classes may be made this way too. Raises 429 for a class that is not built.
HRESULT CreateInstance(const wchar_t* name, REFIID iid, void** out);

}  // namespace kz

// Adds a built class to the catalogue's creators, under the name its KZ_CLASS gives. Use once,
// at the end of the class's source file.
#define KZ_REGISTER_CLASS(IMPL)                                                              \
  static const bool kz_registered_##IMPL = ::kz::RegisterCreator(IMPL::ClassName(), [](REFIID iid, void** out) { \
    return ::kz::NewObject<IMPL>(iid, out);                                                  \
  })
