' checks: 15
' A desktop and control-panel entry made and taken off again as a script does it, with the
' script's own GUID; texts left empty come back as the space written for them.
Dim e, sh, g, title, tip, icon, cmd, r, ns, v

Set sh = CreateObject("WScript.Shell")
Set e = CreateObject("Kelzud10.clsKelzudCplDtopEntriesA")
g = "{5D2C7A31-8E4B-4F0A-9C61-4B7A1E0D3C21}"
ns = "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\"
title = "Script Item" : tip = "" : icon = "C:\Kz\app.exe,1" : cmd = """C:\Kz App\app.exe"" /open"

r = e.CreateEntryToSystem(g, title, tip, icon, cmd, True, False)
CheckEqual VarType(r), vbEmpty, "CreateEntryToSystem returns the empty value"
CheckEqual tip, " ", "the empty tool tip variable receives the space written for it"
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\"), "Script Item", "the title"
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\InfoTip"), " ", "the tool tip"
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\DefaultIcon\"), "C:\Kz\app.exe,1", "the icon"
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\InProcServer32\ThreadingModel"), "Apartment", "the threading model"
CheckEqual sh.RegRead("HKCR\CLSID\" & g & "\Shell\Open\Command\"), """C:\Kz App\app.exe"" /open", "the command"
CheckEqual sh.RegRead(ns & "Desktop\NameSpace\" & g & "\"), " ", "the desktop entry"
On Error Resume Next : v = sh.RegRead(ns & "ControlPanel\NameSpace\" & g & "\") : KeepError : On Error GoTo 0
Check kzErrNumber <> 0, "no control-panel entry when it is switched off"
Forget

' Removing with the desktop switched off keeps the desktop entry; then everything goes.
On Error Resume Next : e.DeleteEntryFromSystem g, False : KeepError : On Error GoTo 0
CheckError 0, "", "DeleteEntryFromSystem"
CheckEqual sh.RegRead(ns & "Desktop\NameSpace\" & g & "\"), " ", "the desktop entry stays while switched off"
On Error Resume Next : v = sh.RegRead("HKCR\CLSID\" & g & "\") : KeepError : On Error GoTo 0
Check kzErrNumber <> 0, "the class registration is gone"
Forget
e.DeleteEntryFromSystem g
On Error Resume Next : v = sh.RegRead(ns & "Desktop\NameSpace\" & g & "\") : KeepError : On Error GoTo 0
Check kzErrNumber <> 0, "the desktop entry is gone"
Forget

' A text that is no GUID is refused with a message box, never raised.
On Error Resume Next : e.CreateEntryToSystem "not a guid", "x" : KeepError : On Error GoTo 0
CheckError 0, "", "CreateEntryToSystem with a text that is no GUID"
On Error Resume Next : e.DeleteEntryFromSystem : KeepError : On Error GoTo 0
CheckError 0, "", "DeleteEntryFromSystem with nothing given"
Finish

' Forgets an error kept only to see that there was one.
Sub Forget()
  kzErrNumber = 0 : kzErrSource = "" : kzErrDescription = ""
End Sub
