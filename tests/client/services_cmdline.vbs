' checks: 35
' Command-line arguments as a script takes them apart, edits and puts them together again.
Dim c, argv, argc, pos, q, sw, i, line
q = Chr(34)

Set c = CreateObject("Kelzud10.clsKelzudAppCLAHandlerA")
CheckEqual c.argRebuildCmdLine, "", "a new object holds no arguments"

' Splitting by the library's rules into the caller's variables.
argc = 99
c.argGetArgs argv, argc, "a b  " & q & "c d" & q & " e"
CheckEqual argc, 4, "argc"
CheckEqual LBound(argv), 0, "argv starts at 0"
CheckEqual UBound(argv), 3, "argv upper bound"
CheckEqual argv(2), "c d", "quoted argument without its quotes"
c.argGetArgs argv, argc, "/x:" & q & "1 2" & q & " /y"
CheckEqual argc, 2, "argc of an option with a quoted value"
CheckEqual argv(0), "/x:" & q & "1 2" & q, "the option keeps its quotes"
c.argGetArgs argv, argc, q & q & " x"
CheckEqual argc, 2, "a quoted empty argument counts"
CheckEqual argv(0), "", "the empty argument"
' Nothing given: the program's path, then the command line CLA.
c.argGetArgs argv, argc, "", "one two"
CheckEqual argc, 3, "program path and two arguments"
CheckEqual LCase(Right(argv(0), 4)), ".exe", "element 0 is the program path: [" & argv(0) & "]"
CheckEqual argv(2), "two", "arguments after the program path"

' The object's own list.
c.argProcessCMDLine "  /a   /b  /out file.txt"
CheckEqual c.argRebuildCmdLine, "/a /b /out file.txt", "extra spaces are gone"
pos = 7
CheckEqual c.argSwitchPresent("/B", pos), False, "switches are compared with case"
CheckEqual pos, 7, "Position is kept when the switch is missing"
sw = "/[bB]"
CheckEqual c.argSwitchPresent(sw, pos, True), True, "wildcard match"
CheckEqual pos, 1, "Position of the match"
CheckEqual sw, "/[bB]", "the switch variable is not changed"
CheckEqual c.argGetSwitchArg("/out", pos), "file.txt", "the argument after a switch"
CheckEqual pos, 3, "its position"
CheckEqual c.argGetSwitchArg("file.txt", pos), "", "nothing after the last argument"
CheckEqual pos, -1, "Position -1"
CheckEqual c.argSwitchPresent("*.txt", pos, True), True, "wildcard at the start"
CheckEqual c.argSwitchPresent("*ou*", pos, True), True, "wildcards at both ends"
CheckEqual pos, 2, "Position of /out"

' Editing and rebuilding.
c.argRemove 0
c.argAdd "two words"
c.argAdd "say " & q & "hi" & q
line = c.argRebuildCmdLine
CheckEqual line, "/b /out file.txt " & q & "two words" & q & " say " & q & "hi" & q, "rebuilt line"
c.argProcessCMDLine line
CheckEqual c.argGetSwitchArg("file.txt", pos), "two words", "split again"

' Errors: an index outside the list, a pattern with an unclosed list.
On Error Resume Next : c.argRemove 10 : KeepError : On Error GoTo 0
CheckError 9, "Kelzud10.clsKelzudAppCLAHandlerA", "argRemove beyond the list"
On Error Resume Next : c.argRemove -1 : KeepError : On Error GoTo 0
CheckError 9, "", "argRemove below 0"
On Error Resume Next : c.argSwitchPresent "[abc", pos, True : KeepError : On Error GoTo 0
CheckError 93, "", "unclosed list in a pattern"
CheckEqual c.argSwitchPresent("/b", pos), True, "the list is unchanged after the errors"
CheckEqual pos, 0, "Position of /b"

' A line of 32 K characters, and an unbalanced quote that takes the rest of the line.
line = String(32768, "x") & " " & q & "open to the end"
c.argProcessCMDLine line
c.argGetSwitchArg String(32768, "x"), pos
CheckEqual pos, 1, "long first argument found"
CheckEqual c.argGetSwitchArg(String(32768, "x")), "open to the end", "unbalanced quote"
c.argRemove 0
c.argRemove 0
CheckEqual c.argRebuildCmdLine, "", "the last argument removed"

Finish
