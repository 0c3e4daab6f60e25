' checks: 20
' The runtime component as the library calls it: EnvironGet and EnvironSet with scope 2, all
' arguments by reference; the variable persists for programs started afterwards and for new
' processes.
Dim sh, fso, rt, name, scope, value, dir, child, f, rc

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
name = "KZT_CLIENT_" & Replace(fso.GetTempName(), ".", "_")
scope = 2
value = "C:\Client App"

CheckEqual rt.EnvironGet(scope, name, 0), "", "not set yet"
CheckEqual rt.EnvironSet(scope, name, value), value, "EnvironSet gives the value"
CheckEqual rt.EnvironGet(scope, name, 0), value, "read back, flag 0"
CheckEqual rt.EnvironGet(scope, name, True), value, "read back, flag true"
CheckEqual rt.EnvironGet(2, name), value, "read back without the flag"
CheckEqual rt.EnvironGet(2, LCase(name), 0), value, "name in other letter case"

' A program started afterwards inherits it.
dir = TempFolder()
rc = sh.Run("cmd /c echo %" & name & "%> """ & dir & "\cmd.txt""", 0, True)
CheckEqual rc, 0, "cmd exit code"
CheckEqual fso.OpenTextFile(dir & "\cmd.txt").ReadLine(), value, "program started afterwards"

' A new process that did not inherit it reads it through its own runtime component.
rt.EnvironSet 1, name, ""
CheckEqual rt.EnvironGet(1, name), "", "removed from this process only"
child = dir & "\child.vbs"
Set f = fso.CreateTextFile(child, True)
f.WriteLine "Set r = CreateObject(""KELZUD11.clsKelzud11RunTimeA"")"
f.WriteLine "Set o = CreateObject(""Scripting.FileSystemObject"").CreateTextFile(WScript.Arguments(1), True)"
f.WriteLine "o.Write ""["" & r.EnvironGet(2, WScript.Arguments(0), 0) & ""]"""
f.WriteLine "o.Close"
f.Close
rc = sh.Run("cscript //nologo """ & child & """ " & name & " """ & dir & "\child.txt""", 0, True)
CheckEqual rc, 0, "child exit code"
CheckEqual fso.OpenTextFile(dir & "\child.txt").ReadAll(), "[" & value & "]", "new process"

' References inside a value are expanded when the flag is true.
rt.EnvironSet 2, name, "%" & name & "_BASE%\bin"
rt.EnvironSet 2, name & "_BASE", "D:\Base"
CheckEqual rt.EnvironGet(2, name, False), "%" & name & "_BASE%\bin", "flag false keeps the reference"
CheckEqual rt.EnvironGet(2, name, True), "D:\Base\bin", "flag true expands it"

' Bad arguments: error 5 from the runtime.
On Error Resume Next : rt.EnvironSet 2, "", "x" : KeepError : On Error GoTo 0
CheckError 5, "KELZUD11.clsKelzud11RunTimeA", "empty name"
On Error Resume Next : rt.EnvironSet 2, "A=B", "x" : KeepError : On Error GoTo 0
CheckError 5, "KELZUD11.clsKelzud11RunTimeA", "name with ="
On Error Resume Next : rt.EnvironSet 2, name, "a" & Chr(0) & "b" : KeepError : On Error GoTo 0
CheckError 5, "KELZUD11.clsKelzud11RunTimeA", "value with NUL"
On Error Resume Next : rt.EnvironGet 9, name : KeepError : On Error GoTo 0
CheckError 5, "KELZUD11.clsKelzud11RunTimeA", "unknown scope"
CheckEqual rt.EnvironGet(2, name, False), "%" & name & "_BASE%\bin", "failed calls changed nothing"

' Clean up: an empty value removes a variable.
rt.EnvironSet 2, name, ""
rt.EnvironSet 2, name & "_BASE", ""
CheckEqual rt.EnvironGet(2, name), "", "removed"
CheckEqual rt.EnvironGet(2, name & "_BASE"), "", "removed too"
fso.DeleteFolder dir, True
Finish
