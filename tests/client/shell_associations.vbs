' checks: 20
' File-type associations as a script registers them: both classes, the caller's variables
' they change, a verb added to a type, a failure's message box, and the association action.
Dim fso, sh, rt, a, x, dir, logfile, previous, tag, ext1, ext2, type1, type2, e, app, id, desc, icon, r, h, code

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
dir = TempFolder()
logfile = dir & "\boxes.log"
previous = rt.EnvironGet(1, "KELZUD10_UNATTENDED")
rt.EnvironSet 1, "KELZUD10_UNATTENDED", logfile
tag = Mid(fso.GetTempName(), 4, 5)
ext1 = ".kzv" & tag : ext2 = ".kzw" & tag
type1 = "Kelzud10Tests.Vbs" & tag : type2 = "Kelzud10Tests.VbsB" & tag

Sub Forget()
  Dim k
  For Each k In Array(ext1, ext2, ".kzx" & tag, type1, type2, type1 & "Act")
    sh.Run "reg delete ""HKCR\" & k & """ /f", 0, True
  Next
End Sub

Function RegText(path)
  On Error Resume Next : RegText = sh.RegRead("HKCR\" & path) : KeepError : On Error GoTo 0
  If kzErrNumber <> 0 Then RegText = "<absent>"
  kzErrNumber = 0
End Function

Function Boxes()
  If fso.FileExists(logfile) Then
    Boxes = fso.OpenTextFile(logfile).ReadAll()
  Else
    Boxes = ""
  End If
End Function

Forget
Set a = CreateObject("Kelzud10.clsKelzudFileAssociationA")
e = ext1 : app = "C:\Apps\Viewer.exe" : id = type1 : desc = "Viewer document" : icon = ""
r = a.Associate_File(e, app, id, desc, icon)
Check IsEmpty(r), "Associate_File returns Empty"
CheckEqual id, type1 & "\shell\open\command", "the identifier variable ends at the command key"
CheckEqual icon, "C:\Apps\Viewer.exe,0", "an empty icon becomes the application's first icon"
CheckEqual e, ext1, "the extension variable is unchanged"
CheckEqual RegText(ext1 & "\"), type1, "the extension points to the type"
CheckEqual RegText(type1 & "\"), "Viewer document", "the description"
CheckEqual RegText(type1 & "\DefaultIcon\"), "C:\Apps\Viewer.exe,0", "the icon value"
CheckEqual RegText(type1 & "\shell\open\command\"), """C:\Apps\Viewer.exe"" ""%1""", "the open command"

' The other class keeps an empty icon; variables in parentheses are passed by value.
Set x = CreateObject("Kelzud10.clsKelzudFileExtensionsA")
id = type2 : icon = ""
x.Associate_File Mid(ext2, 2), "C:\b.exe", (id), "B", icon
CheckEqual id, type2, "an identifier in parentheses is left alone"
CheckEqual icon, "", "the icon stays empty"
CheckEqual RegText(ext2 & "\"), type2, "the dot is added to an extension given without it"
CheckEqual RegText(type2 & "\DefaultIcon\"), "", "an empty icon value"

' A verb for the type an extension points to.
r = a.File_Command(ext1, "print", """C:\Apps\Viewer.exe"" /p ""%1""")
Check IsEmpty(r), "File_Command returns Empty"
CheckEqual RegText(type1 & "\shell\print\"), "print", "the verb's text"
CheckEqual RegText(type1 & "\shell\print\command\"), """C:\Apps\Viewer.exe"" /p ""%1""", "the verb's command"

' An extension nobody registered: one box, nothing raised, nothing written.
x.File_Command ".kzx" & tag, "print", "p.exe"
Check InStr(Boxes(), vbTab & "Error: Opening Registry Key!") > 0, "the box for an extension that is not registered"
CheckEqual RegText(".kzx" & tag & "\"), "<absent>", "nothing written for it"

' The association action, by code and by name; a line with too few fields ends it with error 9.
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
Set r = fso.CreateTextFile(dir & "\types.ini", True)
r.Write "[Types]" & vbCrLf & "one=" & ext1 & "^%windir%\viewer.exe^" & type1 & "Act^By action^" & vbCrLf
r.Close
h.Path = dir & "\types.ini"
h.Section = "Types"
code = 14
h.Pals code
CheckEqual RegText(ext1 & "\"), type1 & "Act", "code 14 registers the line"
CheckEqual RegText(type1 & "Act\shell\open\command\"), """" & fso.GetSpecialFolder(0).Path & "\viewer.exe"" ""%1""", "windir expanded"
Set r = fso.CreateTextFile(dir & "\types.ini", True)
r.Write "[Types]" & vbCrLf & "short=" & ext1 & "^a.exe^T^D" & vbCrLf
r.Close
On Error Resume Next : h.PalsCOMMANDASSOCIATION : KeepError : On Error GoTo 0
CheckError 9, "Kelzud10.clsKelzudINIFileHandler1A", "a line with four fields"

Forget
rt.EnvironSet 1, "KELZUD10_UNATTENDED", previous
fso.DeleteFolder dir, True
Finish
