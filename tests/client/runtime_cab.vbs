' checks: 9
' The run-time class's cabinet swap as a script calls it: the Windows folder is pointed at a
' folder of the test's own (through the process environment), so nothing in the real Windows
' folder is touched.
Class AppObject
  Public EXEName
  Public Path
End Class

Dim fso, rt, kz, dir, previous, app, v

Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
Set kz = CreateObject("Kelzud10.clsKelzud10RunTimeA")
dir = TempFolder()
fso.CreateFolder dir & "\win"
fso.CreateFolder dir & "\app"
fso.CreateFolder dir & "\src"
previous = rt.EnvironGet(1, "windir")
rt.EnvironSet 1, "windir", dir & "\win"

Sub WriteText(path, text)
  Dim f
  Set f = fso.CreateTextFile(path, True)
  f.Write text
  f.Close
End Sub
Function ReadText(path)
  ReadText = fso.OpenTextFile(path).ReadAll()
End Function

Set app = New AppObject
app.EXEName = "KzApp"
app.Path = dir & "\app"

' The Windows copy (read-only) goes; the new one replaces the application's.
WriteText dir & "\win\KzApp.cab", "old"
fso.GetFile(dir & "\win\KzApp.cab").Attributes = 1
WriteText dir & "\app\KzApp.cab", "older"
WriteText dir & "\src\KzApp.cab", "new"
v = kz.AppCabSwapingWinDir(app, dir & "\src\")
Check IsEmpty(v), "the result is Empty"
Check Not fso.FileExists(dir & "\win\KzApp.cab"), "deleted from the Windows folder"
CheckEqual ReadText(dir & "\app\KzApp.cab"), "new", "copied into the application folder"

' No cabinet in the Windows folder: the delete raises and nothing is copied.
fso.DeleteFile dir & "\app\KzApp.cab"
On Error Resume Next : v = kz.AppCabSwapingWinDir(app, dir & "\src\", 5, "unused") : KeepError : On Error GoTo 0
CheckError 53, "", "no cabinet to delete"
Check Not fso.FileExists(dir & "\app\KzApp.cab"), "nothing copied"

' A read-only cabinet in the application folder is not overwritten.
WriteText dir & "\win\KzApp.cab", "old"
WriteText dir & "\app\KzApp.cab", "kept"
fso.GetFile(dir & "\app\KzApp.cab").Attributes = 1
On Error Resume Next : kz.AppCabSwapingWinDir app, dir & "\src\" : KeepError : On Error GoTo 0
CheckError 75, "", "read-only target"
CheckEqual ReadText(dir & "\app\KzApp.cab"), "kept", "the read-only cabinet is kept"
fso.GetFile(dir & "\app\KzApp.cab").Attributes = 0

' A missing new cabinet: the Windows copy is already gone when the copy fails.
WriteText dir & "\win\KzApp.cab", "old"
app.EXEName = "KzOther"
WriteText dir & "\win\KzOther.cab", "old"
On Error Resume Next : kz.AppCabSwapingWinDir app, dir & "\src\" : KeepError : On Error GoTo 0
CheckError 53, "", "no new cabinet"
Check Not fso.FileExists(dir & "\win\KzOther.cab"), "the delete came first"

rt.EnvironSet 1, "windir", previous
fso.DeleteFolder dir, True
Finish
