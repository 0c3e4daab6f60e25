' checks: 6
' The static message window as the backup actions call it. Client tests run unattended, so the
' window is recorded in the unattended log instead of being shown; the test points that log
' at a file of its own through the runtime's process scope.
Dim fso, rt, w, dir, logfile, previous, lines, text

Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
dir = TempFolder()
logfile = dir & "\boxes.log"
previous = rt.EnvironGet(1, "KELZUD10_UNATTENDED")
rt.EnvironSet 1, "KELZUD10_UNATTENDED", logfile

Set w = CreateObject("KELZUD16.clsKelzudWUIStatic")
text = "Taking Backup for user.reg - HKEY_CURRENT_USER\Software\Example"
w.UIShowStaticMessageDialog text, True, , True
w.UIShowStaticMessageDialog "Second", True, , True
w.UIHideStaticMessageDialog
w.UIHideStaticMessageDialog
w.UIShowStaticMessageDialog "Third"
Set w = Nothing

rt.EnvironSet 1, "KELZUD10_UNATTENDED", previous
lines = Split(fso.OpenTextFile(logfile).ReadAll(), vbCrLf)
CheckEqual UBound(lines), 5, "five records and the final line end"
CheckEqual lines(0), "show" & vbTab & "KELZUD16.clsKelzudWUIStatic" & vbTab & Replace(text, "\", "\\"), "first show"
CheckEqual lines(1), "show" & vbTab & "KELZUD16.clsKelzudWUIStatic" & vbTab & "Second", "text replaced"
CheckEqual lines(2), "hide" & vbTab & "KELZUD16.clsKelzudWUIStatic" & vbTab, "hidden once"
CheckEqual lines(3), "show" & vbTab & "KELZUD16.clsKelzudWUIStatic" & vbTab & "Third", "optional arguments left out"
CheckEqual lines(4), "hide" & vbTab & "KELZUD16.clsKelzudWUIStatic" & vbTab, "removed with the object"
fso.DeleteFolder dir, True
Finish
