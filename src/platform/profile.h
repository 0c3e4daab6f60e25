// The platform's profile (INI file) functions. Text goes in and out as wide strings; the files
// are read and written through the ANSI entry points, with the conversion kept here.
//
// Guards: the ANSI entry points crash on texts of 32,767 characters and more (such texts take
// the wide entry points, converted from the same ANSI bytes), and the platform cannot name a
// file whose full path does not fit MAX_PATH (a bare name is looked up in the Windows folder):
// such a file is refused (reads give the default, writes fail).
//
// Writes: writers of one file are serialised across processes, the platform's writer works
// on a copy beside the file, and the copy replaces the file in one rename, so a reader sees
// the old file or the new one, a full disk fails the write instead of cutting the file, and
// two processes never lose each other's keys. Text that the file format cannot hold (a line
// break anywhere, "]" in a section name, "=" in a key, a key that would read as a section
// header or a comment) is refused.
#pragma once
#include <string>
#include <vector>

namespace kz {

// The value of `key` in `section`, or `def` when it is absent: at most `size` - 1 characters,
// as the platform copies them into a buffer of `size`.
std::wstring ProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          const std::wstring& def, unsigned long size);

// The key names of `section` (null: the section names of the file), each followed by NUL, in
// file order and complete however long the list is; what the platform gives for an absent
// section (`def`) or file.
std::wstring ProfileNames(const std::wstring& file, const std::wstring* section, const std::wstring& def);

// The lines of `section` as the platform lists them, each followed by NUL ("key=value",
// comments left out), in file order and complete; empty when the section or file is absent.
std::wstring ProfileSection(const std::wstring& file, const std::wstring& section);

// Writes `value` to `key` of `section`; a null key deletes the section (the value is then not
// stored), a null value deletes the key. Returns non-zero when the write took effect, 0 when
// the platform or the guards above refused it.
long ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring* key,
                  const std::wstring* value);

// One key=value write of ProfileWriteMany.
struct ProfileEntry {
  std::wstring section, key, value;
};

// The writes of `entries` in their order, with the guarantees of ProfileWrite, leaving the file
// as those writes one by one would: one writer's lock, and one replace of the file for all of
// them where the file and texts allow. Gives each write's result as ProfileWrite would.
std::vector<long> ProfileWriteMany(const std::wstring& file, const std::vector<ProfileEntry>& entries);

// Whether ProfileWrite would take `key`=`value` in `section` as text the file format can hold
// (no line break, no "]" in the section, no "=" in the key, no key read as a header or comment),
// so that a caller writing several entries can refuse them all before writing any.
bool ProfileWritable(const std::wstring& section, const std::wstring& key, const std::wstring& value);

// What identifies a profile file's content for a reader that keeps what it read: the file's
// size and time of last write, and the count of this process's profile writes.
struct ProfileStamp {
  unsigned long long size = 0, written = 0;
  unsigned long writes = 0;
  bool exists = false;
  bool operator==(const ProfileStamp& o) const {
    return size == o.size && written == o.written && writes == o.writes && exists == o.exists;
  }
  bool operator!=(const ProfileStamp& o) const { return !(*this == o); }
};
ProfileStamp ProfileStampOf(const std::wstring& file);

}  // namespace kz
