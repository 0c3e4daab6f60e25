// File-type registrations in the class registry, shared by the two association classes: an
// extension linked to a type with its description, icon and open command, and further verbs
// for the type an extension points to.
//
// Every failure is shown in a message box (OK only, the library's title) and nothing is raised.
// A registration is written whole or not at all: when a step fails, what the call had already
// written is taken back (values restored, keys it created removed), so a failure never leaves
// an extension pointing at half a type.
#pragma once
#include <string>

#include "base/win.h"

namespace kz {
namespace filetypes {

// What an empty icon becomes: kept empty, or the first icon of the application file.
enum class EmptyIcon { Kept, FromApplication };

// Links `extension` (the leading dot may be left out) to the type `identifier`: its
// description, default icon and the open command "application" "%1". As the caller's
// by-reference variables do, `identifier` ends as the path of the open command's key once the
// verb keys are reached, and an empty `icon` becomes "application,0" under FromApplication.
void Associate(const std::wstring& extension, const std::wstring& application, std::wstring& identifier,
               const std::wstring& description, std::wstring& icon, EmptyIcon rule);

// Associate_File as both classes answer an automation caller: missing arguments read as empty
// texts, and the caller's Identifier and Icon take the results when they changed.
void AssociateForCaller(BSTR* extension, BSTR* application, BSTR* identifier, BSTR* description, BSTR* icon,
                        EmptyIcon rule);

// File_Command as both classes answer an automation caller.
void AddCommandForCaller(BSTR* extension, BSTR* action, BSTR* command);

// Adds the verb `action` with `command` to the type that `extension` points to.
void AddCommand(const std::wstring& extension, const std::wstring& action, const std::wstring& command);

}  // namespace filetypes
}  // namespace kz
