' checks: 6
' The database action with the machine's own database components. Wine has no Jet provider,
' so this is the path of a database that cannot be opened: the connection's critical box, then
' the record-set open fails and ends the action with its error.
Dim fso, rt, dir, ini, logfile, previous, h, boxes, fields
Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
dir = TempFolder()
ini = dir & "\db.ini"
logfile = dir & "\boxes.log"
previous = rt.EnvironGet(1, "KELZUD10_UNATTENDED")
rt.EnvironSet 1, "KELZUD10_UNATTENDED", logfile

Sub WriteFile(path, text)
  Dim f
  Set f = fso.CreateTextFile(path, True)
  f.Write text
  f.Close
End Sub

WriteFile ini, "[Db]" & vbCrLf & "shop=" & dir & "\shop.mdb,wrong,Orders,Note,202,50,2" & vbCrLf & _
  "never=" & dir & "\other.mdb,,T,F,1,1,1" & vbCrLf
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = ini
h.Section = "Db"
On Error Resume Next : h.Pals 51 : KeepError : On Error GoTo 0
Check kzErrNumber <> 0, "the failed record-set open ends the action with an error"
CheckEqual kzErrSource, "Kelzud10.clsKelzudINIFileHandler1A", "source"
CheckEqual h.Key, "shop", "the action stopped at its first line"
boxes = Split(fso.OpenTextFile(logfile).ReadAll(), vbCrLf)
CheckEqual UBound(boxes), 1, "one box: the connection's, and no row count"
fields = Split(boxes(0), vbTab)
CheckEqual fields(0), "16", "a critical box with an OK button"
Check IsNumeric(fields(1)) And fields(1) <> "0", "its title is the error number: " & boxes(0)
rt.EnvironSet 1, "KELZUD10_UNATTENDED", previous
fso.DeleteFolder dir, True
Finish
