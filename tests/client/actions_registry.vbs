' locks: family_environment
' checks: 20
' An action file run end to end: registry lines through Pals, as a setup script runs them.
Dim fso, sh, dir, ini, h, base, r, v
Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
dir = TempFolder()
ini = dir & "\actions.ini"
base = "Software\Kelzud10Tests\ClientActions"

Sub WriteFile(path, text)
  Dim f
  Set f = fso.CreateTextFile(path, True)
  f.Write text
  f.Close
End Sub

' Removes every key the action lines write, so that no value of an earlier run can answer a check.
Sub Forget()
  Dim k
  For Each k In Array("HKCU\" & base, "HKLM\" & base, "HKCR\Kelzud10Tests.ClientActions", _
                      "HKU\.DEFAULT\" & base, "HKCC\" & base)
    sh.Run "reg delete """ & k & """ /f", 0, True
  Next
End Sub

Function RegText(path)
  On Error Resume Next : RegText = sh.RegRead(path) : KeepError : On Error GoTo 0
  If kzErrNumber <> 0 Then RegText = "<absent>"
End Function

Forget
WriteFile ini, "[Registry]" & vbCrLf & _
  "user=hcu," & base & ",User,Text," & vbCrLf & _
  "extra=hcu," & base & ",WithExtra,Text,x" & vbCrLf & _
  "machine=HLM," & base & ",Machine,M," & vbCrLf & _
  "default=," & base & ",DefaultRoot,D," & vbCrLf & _
  "classes=hcr,Kelzud10Tests.ClientActions,Class,C," & vbCrLf & _
  "config=hcc," & base & ",Config,CC," & vbCrLf & _
  "users=hu,.DEFAULT\" & base & ",Users,U," & vbCrLf & _
  "numeric=-2147483647," & base & "\Numeric,N,1," & vbCrLf & _
  "windir=hcu," & base & ",Fonts,%windir%\Fonts," & vbCrLf & _
  "[Broken]" & vbCrLf & _
  "first=hcu," & base & ",First,1," & vbCrLf & _
  "short=hcu," & base & ",Short,2" & vbCrLf & _
  "third=hcu," & base & ",Third,3," & vbCrLf

Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = ini
h.Section = "Registry"
r = h.Pals(4)
CheckEqual VarType(r), vbEmpty, "Pals returns the empty value"
CheckEqual h.Key, "windir", "Key holds the last key"
CheckEqual RegText("HKCU\" & base & "\User"), "Text", "HKEY_CURRENT_USER"
CheckEqual RegText("HKCU\" & base & "\WithExtra"), "Text x", "extra text after a space"
CheckEqual RegText("HKLM\" & base & "\Machine"), "M", "HKEY_LOCAL_MACHINE in capitals"
CheckEqual RegText("HKLM\" & base & "\DefaultRoot"), "D", "an empty root is HKEY_LOCAL_MACHINE"
CheckEqual RegText("HKCR\Kelzud10Tests.ClientActions\Class"), "C", "HKEY_CLASSES_ROOT"
CheckEqual RegText("HKEY_USERS\.DEFAULT\" & base & "\Users"), "U", "HKEY_USERS"
CheckEqual RegText("HKEY_CURRENT_CONFIG\" & base & "\Config"), "CC", "HKEY_CURRENT_CONFIG"
CheckEqual RegText("HKCU\" & base & "\Numeric\N"), "1", "a root given as a number"
CheckEqual RegText("HKCU\" & base & "\Fonts"), sh.ExpandEnvironmentStrings("%windir%") & "\Fonts", "windir from the process"

' A line with a missing field ends the section with error 9; earlier lines stay done.
h.Section = "Broken"
On Error Resume Next : r = h.Pals(4) : KeepError : On Error GoTo 0
CheckError 9, "Kelzud10.clsKelzudINIFileHandler1A", "a line with four fields"
CheckEqual RegText("HKCU\" & base & "\First"), "1", "the line before the error"
CheckEqual RegText("HKCU\" & base & "\Third"), "<absent>", "the line after the error"
CheckEqual h.Key, "short", "Key stops at the failing line"

' Codes without an action do nothing; both association codes reach the association action.
h.Key = "unchanged"
r = h.Pals(42)
CheckEqual h.Key, "unchanged", "code 42 has no action"
' Its fields are cut at "^", so the first line of the section is already too short.
h.Key = "unchanged"
On Error Resume Next : r = h.Pals(14) : KeepError : On Error GoTo 0
Dim d14 : d14 = kzErrNumber & " at " & h.Key
h.Key = "unchanged"
On Error Resume Next : r = h.Pals(15) : KeepError : On Error GoTo 0
Dim d15 : d15 = kzErrNumber & " at " & h.Key
kzErrNumber = 0
Check d14 = "9 at first" And d14 = d15, "codes 14 and 15 reach one action: " & d14 & " / " & d15

' A registry backup: the folder argument is completed in the caller's variable, the branch is
' exported by the registry editor and recorded in the backup log of VQENVSLOGS.
Dim rt, logs, backup, folder, i
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
logs = TempFolder()
backup = TempFolder()
rt.EnvironSet 2, "VQENVSLOGS", logs
WriteFile ini, "[Backup]" & vbCrLf & "client.reg=HKEY_CURRENT_USER\" & base & vbCrLf
h.Section = "Backup"
folder = backup
r = h.Pals(43, folder)
CheckEqual folder, backup & "\", "backup folder completed in the caller's variable"
h.Path = logs & "\bar.ini" : h.Section = "Registry" : h.Key = "client.reg"
CheckEqual h.Value, "HKEY_CURRENT_USER\" & base, "backup log entry"
For i = 1 To 400
  If fso.FileExists(backup & "\client.reg") Then Exit For
  Pause 50
Next
Check fso.FileExists(backup & "\client.reg"), "the branch was exported"
Pause 200
rt.EnvironSet 2, "VQENVSLOGS", ""

' Clean up.
Forget
fso.DeleteFolder dir, True
fso.DeleteFolder logs, True
fso.DeleteFolder backup, True
Finish
