// What the answer to an environment variable's look-up depends on, cheap to take and compare:
// when the user's stored environment last changed, and what this process's environment holds.
// Two equal stamps mean that every look-up answers as it did.
#pragma once
#include "base/owner.h"
#include "base/win.h"

namespace kz {

struct EnvironmentStamp {
  bool stored = false;            // the user's environment key could be read
  unsigned long long written = 0;  // its last change
  unsigned long long process = 0;  // a digest of this process's environment block
  bool taken = false;
  bool operator==(const EnvironmentStamp& o) const {
    return taken && o.taken && stored == o.stored && written == o.written && process == o.process;
  }
  bool operator!=(const EnvironmentStamp& o) const { return !(*this == o); }
};

// Keeps the user's environment key open between stamps, for one series of look-ups.
class EnvironmentWatch {
 public:
  EnvironmentStamp Now();

 private:
  RegKey key_;
};

}  // namespace kz
