// The job record of the network job scheduler, filled from a client's day and time texts.
#pragma once
#include <string>

#include "frame/kz.h"

namespace kz {

struct JobRecord {
  unsigned long job_time = 0;       // milliseconds after midnight
  unsigned long days_of_month = 0;  // bit d - 1 for day d
  unsigned char days_of_week = 0;   // bit 0 Monday ... bit 6 Sunday
  unsigned char flags = 0;          // 0x01 periodic, 0x10 no desktop interaction
  std::wstring command;
};

// Fills the record. `time` is any text the platform's date conversion reads as a time of day
// (seconds are dropped); `days` is a comma list of days of the month when it starts with a
// number above 0, else of weekday codes M, T, W, TH, F, S, SU (any case; others ignored).
// Raises 13 for a time or a day that is not one, 6 for a day above 31, 5 for a day below 1 or
// with a fraction.
JobRecord FillJobRecord(const std::wstring& days, const std::wstring& time, const std::wstring& command,
                        VARIANT_BOOL interactive, VARIANT_BOOL periodically);

}  // namespace kz
