' checks: 35
' The INI file handler as a setup script calls it.
Dim dir, ini, h, v, keys, n, secs, e
dir = TempFolder()
ini = dir & "\setup.ini"

Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = ini
h.Section = "Install"
h.Key = "Folder"
CheckEqual h.Success, False, "Success on a new object"
CheckEqual h.LastReturnCode, 0, "LastReturnCode on a new object"

' NULs are taken out of the written value, in the caller's variable.
v = "a" & Chr(0) & "b"
h.Value = v
CheckEqual v, "ab", "caller's variable after Value let"
CheckEqual h.Value, "ab", "value read back"
CheckEqual h.Success, True, "Success after a write"
Check h.LastReturnCode <> 0, "LastReturnCode after a write"

' Reads cut at 254 characters; absent keys give Default.
h.Key = "Long" : h.Value = String(300, "x")
CheckEqual Len(h.Value), 254, "long value read back"
h.Key = "Missing" : h.Default = "dflt"
CheckEqual h.Value, "dflt", "absent key reads Default"
h.Default = ""

' Enumerations fill 1-based arrays through by-reference arguments.
h.EnumerateCurrentSection keys, n
CheckEqual n, 2, "key count"
CheckEqual UBound(keys), 2, "upper bound"
CheckEqual LBound(keys), 1, "lower bound"
CheckEqual keys(1), "Folder", "first key"
CheckEqual keys(2), "Long", "last key"
CheckEqual h.INISection, "Folder" & Chr(0) & "Long" & Chr(0), "INISection list"

h.Section = "Second" : h.Key = "k" : h.Value = "1"
h.EnumerateAllSections secs, n
CheckEqual n, 2, "section count"
CheckEqual secs(2), "Second", "second section"

' Optional argument and its default.
CheckEqual h.CLngDefault("12"), 12, "CLngDefault 12"
CheckEqual h.CLngDefault("2.5"), 2, "CLngDefault rounds half to even"
CheckEqual h.CLngDefault("3.5"), 4, "CLngDefault 3.5"
CheckEqual h.CLngDefault("FAIL", 7), 7, "CLngDefault fallback"
CheckEqual h.CLngDefault(""), 0, "CLngDefault empty"

' One-off reads and writes through a second handler leave this object alone.
CheckEqual h.WriteINIFileValue(ini, "Other", "Name", "Value"), "", "WriteINIFileValue result"
CheckEqual h.ReadDetailsINIFileValue(ini, "other", "NAME"), "Value", "ReadDetailsINIFileValue"
CheckEqual h.Section, "Second", "Section untouched"

' Deleting.
h.Section = "Install" : h.Key = "Long"
h.DeleteKeyINI
CheckEqual h.Success, True, "DeleteKeyINI"
h.INISection = "anything"
CheckEqual h.INISection, "", "INISection let removes the section"
h.Section = "Second"
h.DeleteSectionINI
h.EnumerateAllSections secs, n
CheckEqual n, 1, "sections after deletes"

' Objects are held by reference.
Dim app : Set app = CreateObject("Scripting.Dictionary")
Set h.AppObj = app
Check h.AppObj Is app, "AppObj keeps the reference"

' Bad input: a clear automation error, never a crash.
On Error Resume Next : h.EnumerateCurrentSection 5 : KeepError : On Error GoTo 0
CheckError 13, "", "a constant for a by-reference array"
On Error Resume Next : h.CLngDefault : KeepError : On Error GoTo 0
CheckError 449, "", "missing required argument"
' The NULs go one by one, in the caller's variable: the early one is gone when the late one,
' beyond character 32767, raises the overflow.
Dim bigv : bigv = "a" & Chr(0) & "b" & String(38999, "y") & Chr(0) & String(1000, "y")
h.Key = "Big"
On Error Resume Next : h.Value = bigv : KeepError : On Error GoTo 0
CheckError 6, "Kelzud10.clsKelzudINIFileHandler1A", "NUL beyond 32767"
' (Wine's VBScript compares texts only up to a NUL: lengths and positions show it.)
CheckEqual Len(bigv), 40002, "the early NUL is removed from the caller's variable"
CheckEqual InStr(bigv, Chr(0)), 39002, "the late NUL stays where the overflow stopped"
h.Path = dir & "\no\such\folder\x.ini"
On Error Resume Next : h.Value = "x" : KeepError : On Error GoTo 0
CheckError 0, "", "a write that fails is not an error"
CheckEqual h.Success, False, "failed write gives Success False"

CreateObject("Scripting.FileSystemObject").DeleteFolder dir, True
Finish
