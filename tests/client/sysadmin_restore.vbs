' checks: 14
' Restore points as a script calls them, against the platform's own management service. Under
' Wine the service knows the restore class but cannot answer for its points and has no enable
' member: each failure is then one information box titled with the error number, and the
' member returns normally. Nothing here creates a restore point or rolls back.
Dim fso, rt, r, dir, logfile, previous, records, list, item, parts, drive, v, before

Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
dir = TempFolder()
logfile = dir & "\boxes.log"
previous = rt.EnvironGet(1, "KELZUD10_UNATTENDED")
rt.EnvironSet 1, "KELZUD10_UNATTENDED", logfile

' The message boxes logged so far: the log's lines, the last element following the final line
' end, so that UBound is the number of records.
Function Boxes()
  If fso.FileExists(logfile) Then
    Boxes = Split(fso.OpenTextFile(logfile).ReadAll(), vbCrLf)
  Else
    Boxes = Array("")
  End If
End Function

Sub CheckInformationBox(record, what)
  Dim fields
  fields = Split(record, vbTab)
  CheckEqual UBound(fields), 2, what & ": style, title and text"
  If UBound(fields) = 2 Then
    CheckEqual fields(0), "64", what & ": OK button and information icon"
    Check IsNumeric(fields(1)) And fields(1) <> "0", what & ": the error number as the title, got " & fields(1)
    Check Len(fields(2)) > 0, what & ": the description as the text"
  End If
End Sub

Set r = CreateObject("Kelzud10.clsKelzudSystemRestoreA")

' The list: a Collection of "number^description^time" entries, or the report of a failure.
On Error Resume Next : Set list = r.EnumerateAllRestorePoints() : KeepError : On Error GoTo 0
CheckError 0, "", "the list raises nothing"
records = Boxes()
If list Is Nothing Then
  CheckEqual UBound(records), 1, "a failed list shows one box"
  If UBound(records) = 1 Then CheckInformationBox records(0), "failed list"
Else
  CheckEqual UBound(records), 0, "a list without failure shows no box"
  CheckEqual TypeName(list.Count), "Long", "the list is a Collection"
  For Each item In list
    parts = Split(item, "^")
    CheckEqual UBound(parts), 2, "number, description and time: " & item
    If UBound(parts) = 2 Then Check IsNumeric(parts(0)), "the sequence number first: " & item
  Next
End If

' Monitoring: the drive gets its trailing backslash in the caller's variable; any failure of
' the service is one box; the result is Empty.
before = UBound(Boxes())
drive = "C:"
On Error Resume Next : v = r.EnableDisableRestorePointonDrive(drive) : KeepError : On Error GoTo 0
CheckError 0, "", "switching monitoring raises nothing"
CheckEqual drive, "C:\", "backslash appended in the caller's variable"
Check IsEmpty(v), "the result is Empty"
records = Boxes()
Check UBound(records) - before <= 1, "at most one box for one call"
If UBound(records) - before = 1 Then CheckInformationBox records(before), "failed enable"

' In parentheses the drive is passed by value and the variable keeps its text.
drive = "C:"
v = r.EnableDisableRestorePointonDrive((drive))
CheckEqual drive, "C:", "by value: unchanged"

rt.EnvironSet 1, "KELZUD10_UNATTENDED", previous
fso.DeleteFolder dir, True
Finish
