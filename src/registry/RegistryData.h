// What the registry classes share: conversion between registry data and Variant, multi-string
// text, the value object's size and type words.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/variant.h"
#include "platform/registry.h"

namespace kz {
namespace reg {

// KEY_ALL_ACCESS: every key the registry object opens or creates is opened this way.
constexpr REGSAM kAccess = KEY_ALL_ACCESS;

// Table key under which an open handle is recorded when the caller gives none: "_H" and the
// handle in upper-case hexadecimal (a negative handle as its 32-bit two's complement).
std::wstring AutoTableKey(long handle);

// The Variant for registry data as read. Raises 6 for a multi-string of more than 32,767
// strings.
Var DataToVariant(const registry::ValueData& data);

// Splits text at every NUL into a 0-based list (one element more than NULs); raises 6 when the
// text has more than 32,767 NULs.
std::vector<std::wstring> SplitAtNuls(const std::wstring& text);
// Every string followed by a NUL, and one NUL more at the end.
std::wstring JoinWithNuls(const std::vector<std::wstring>& items);
// The strings of a one-dimensional String array in index order (none for a null array); raises
// 9 for an array of more than one dimension.
std::vector<std::wstring> StringsOf(SAFEARRAY* sa);
// The strings of an array written as a multi-string: a String array, or an array of Variants
// that all hold text. False for any other array.
bool MultiStringItems(const VARIANT& v, std::vector<std::wstring>& out);

// What a value object reports as its size for the data it holds.
long SizeOfData(const VARIANT& v);
// Short or friendly name of a registry value type.
const wchar_t* TypeWord(long type, bool friendly);

// A reference from an item back to the collection that made it. The collection owns the
// items, so the item must not own the collection: the collection clears the reference when it
// goes, and the item then reports no parent.
template <class T>
struct BackRef {
  T* target = nullptr;
};
template <class T>
using BackRefPtr = std::shared_ptr<BackRef<T>>;

}  // namespace reg
}  // namespace kz
