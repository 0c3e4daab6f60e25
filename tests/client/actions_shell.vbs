' checks: 12
' Program and entry lines run through Pals as a setup script runs them: commands waited for
' one after another, a program opened without waiting, a program that is not there, and a
' desktop entry made from a line.
Dim fso, sh, h, e, dir, ini, log, sleeper, c, r, t, g, text

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
' The test program sits beside the registered library.
sleeper = fso.GetParentFolderName(sh.RegRead("HKCR\CLSID\{0B03115D-72FC-4D10-A2E2-54D8698C5FAE}\InprocServer32\")) & "\kzt_sleeper.exe"
Check fso.FileExists(sleeper), "the test program is beside the library"
dir = TempFolder()
ini = dir & "\shell.ini"
log = dir & "\events.log"
g = "{7F3A9C12-4B5D-4E6F-8A91-2C3D4E5F6A7B}"

Sub WriteIni(lines)
  Dim ts
  Set ts = fso.CreateTextFile(ini, True)
  ts.Write lines
  ts.Close
End Sub
Function LogText()
  LogText = ""
  If fso.FileExists(log) Then LogText = fso.OpenTextFile(log).ReadAll
End Function

WriteIni "[Run]" & vbCrLf & "a=" & sleeper & " 600 " & log & " one" & vbCrLf & "b=" & sleeper & " 50 " & log & " two" & vbCrLf
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = ini
h.Section = "Run"
c = 0
r = h.Pals(31, "", c)
CheckEqual VarType(r), vbEmpty, "Pals 31 returns the empty value"
text = LogText()
Check InStr(text, "end one") > 0 And InStr(text, "end one") < InStr(text, "start two"), "the second program starts after the first has ended"
Check InStr(text, "end two") > 0, "the action returns after the last program has ended"
Check c <> 0, "lParamC holds the wait handle of the last program"

' A program that is not there: error 53 from the handler.
WriteIni "[Run]" & vbCrLf & "a=" & dir & "\missing.exe" & vbCrLf
On Error Resume Next : h.Pals 31 : KeepError : On Error GoTo 0
CheckError 53, "Kelzud10.clsKelzudINIFileHandler1A", "a program that is not there"

' Opening does not wait for the program.
fso.DeleteFile log
WriteIni "[Open]" & vbCrLf & "a=" & sleeper & ",2500 " & log & " late" & vbCrLf & "b=readme.txt" & vbCrLf
h.Section = "Open"
On Error Resume Next : h.Pals 50 : KeepError : On Error GoTo 0
CheckError 9, "Kelzud10.clsKelzudINIFileHandler1A", "the second line has no parameters field"
Check InStr(LogText(), "end late") = 0, "Pals 50 returns before the program ends"
t = Timer
Do While InStr(LogText(), "end late") = 0 And Timer - t < 20 And Timer >= t
  Pause 100
Loop
Check InStr(LogText(), "end late") > 0, "the program opened runs to its end"

' A desktop entry from a line: the icon is the program with ",0", the command has the arguments.
WriteIni "[Entries]" & vbCrLf & "a=" & g & "^Script Entry^Tip^^C:\Kz\app.exe^true^false^/x" & vbCrLf
h.Section = "Entries"
r = h.Pals(41)
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\DefaultIcon\"), "C:\Kz\app.exe,0", "the icon of the entry"
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\Shell\Open\Command\"), "C:\Kz\app.exe /x", "the command of the entry"
CheckEqual sh.RegRead("HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Desktop\NameSpace\" & g & "\"), " ", "its desktop entry"
Set e = CreateObject("Kelzud10.clsKelzudCplDtopEntriesA")
e.DeleteEntryFromSystem g

fso.DeleteFolder dir, True
Finish
