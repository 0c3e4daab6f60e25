// Win32 failures reach scripts as the automation errors a built-in file statement would give.
#include "base/error.h"

#include <gtest/gtest.h>

TEST(Win32Errors, MapToTheAutomationErrorsScriptsKnow) {
  const struct {
    DWORD code;
    long number;
    const wchar_t* description;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, 53, L"File not found"},
      {ERROR_PATH_NOT_FOUND, 76, L"Path not found"},
      {ERROR_ACCESS_DENIED, 75, L"Path/File access error"},
      {ERROR_SHARING_VIOLATION, 70, L"Permission denied"},
      {ERROR_WRITE_PROTECT, 70, L"Permission denied"},
      {ERROR_ALREADY_EXISTS, 58, L"File already exists"},
      {ERROR_FILE_EXISTS, 58, L"File already exists"},
      {ERROR_DISK_FULL, 61, L"Disk full"},
      {ERROR_INVALID_NAME, 52, L"Bad file name or number"},
      {ERROR_NOT_READY, 71, L"Disk not ready"},
      {ERROR_INVALID_DRIVE, 68, L"Device unavailable"},
      {ERROR_NOT_ENOUGH_MEMORY, 7, L"Out of memory"},
      {ERROR_INVALID_FUNCTION, 5, L"Invalid procedure call or argument"},
  };
  for (const auto& c : cases) {
    kz::Error e = kz::ErrorOfWin32(c.code);
    EXPECT_EQ(e.number(), c.number) << c.code;
    EXPECT_EQ(e.description(), c.description) << c.code;
  }
}
