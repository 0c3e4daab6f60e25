' Assertion helpers put in front of every VBScript client test. Wine's cscript exits 0 even on
' an uncaught error, so each test ends with Finish, which prints the tally the runner checks.
Option Explicit
Dim kzPassed, kzFailed, kzErrNumber, kzErrSource, kzErrDescription
kzPassed = 0 : kzFailed = 0
kzErrNumber = 0 : kzErrSource = "" : kzErrDescription = ""

' A statement expected to fail runs alone under On Error Resume Next and keeps its error:
'   On Error Resume Next : h.Value = v : KeepError : On Error GoTo 0
'   CheckError 6, "Kelzud10.clsKelzudINIFileHandler1A", "what"
' so that no other statement, and no check, can be skipped silently by an error.
Sub KeepError()
  kzErrNumber = Err.Number : kzErrSource = Err.Source : kzErrDescription = Err.Description
  Err.Clear
End Sub

Sub Check(cond, what)
  If cond Then
    kzPassed = kzPassed + 1
  Else
    kzFailed = kzFailed + 1
    WScript.Echo "FAIL: " & what
  End If
End Sub

Sub CheckEqual(actual, expected, what)
  Dim same
  same = False
  If KindOf(actual) = KindOf(expected) And KindOf(actual) <> "other" Then same = (actual = expected)
  If Not same Then
    kzFailed = kzFailed + 1
    WScript.Echo "FAIL: " & what & ": got [" & actual & "] (type " & TypeName(actual) & "), expected [" & expected & "] (type " & TypeName(expected) & ")"
  Else
    kzPassed = kzPassed + 1
  End If
End Sub

' Values compare when they are of one kind: Booleans only with Booleans, numbers of any
' width with numbers, text with text.
Function KindOf(v)
  Select Case VarType(v)
    Case 11: KindOf = "bool"
    Case 2, 3, 4, 5, 6, 14, 17: KindOf = "number"
    Case 8: KindOf = "text"
    Case Else: KindOf = "other"
  End Select
End Function

' Checks the error the statement before kept (see KeepError), then forgets it.
Sub CheckError(number, source, what)
  If kzErrNumber <> number Or (source <> "" And kzErrSource <> source) Then
    kzFailed = kzFailed + 1
    WScript.Echo "FAIL: " & what & ": error " & kzErrNumber & " from [" & kzErrSource & "] (" & kzErrDescription & "), expected " & number & " from [" & source & "]"
  Else
    kzPassed = kzPassed + 1
  End If
  kzErrNumber = 0 : kzErrSource = "" : kzErrDescription = ""
End Sub

Function TempFolder()
  Dim fso, p
  Set fso = CreateObject("Scripting.FileSystemObject")
  p = fso.GetSpecialFolder(2) & "\" & fso.GetTempName()
  fso.CreateFolder p
  TempFolder = p
End Function

' Wine's cscript has no WScript.Sleep: wait by the clock instead.
Sub Pause(ms)
  Dim t0
  t0 = Timer
  Do While (Timer - t0) * 1000 < ms And Timer >= t0
  Loop
End Sub

Sub Finish()
  WScript.Echo "TALLY: " & kzPassed & " passed, " & kzFailed & " failed"
  If kzFailed > 0 Then WScript.Quit 1
  WScript.Quit 0
End Sub
