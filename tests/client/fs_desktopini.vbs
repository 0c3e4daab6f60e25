' checks: 20
' Desktop.ini as a script reaches it with texts the file cannot hold or the kernel cannot name:
' nothing is written, nothing injected, and the process lives on.
Dim d, fso, sh, dir, f, ini, r, before, rootIni, names, i

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
Set d = CreateObject("Kelzud10.clsKelzudFolderDesktopINIA")
dir = TempFolder()
f = dir & "\custom"
fso.CreateFolder f
ini = f & "\Desktop.ini"

' Bare file names too long for a path (looked up in the Windows folder): read empty, written not.
names = Array(String(600, "b"), String(700, "b"), String(5000, "b"))
For i = 0 To 2
  CheckEqual d.ReadINI("Sec", "Key", names(i)), "", "ReadINI of a bare name of " & Len(names(i))
  CheckEqual d.WriteINI("Sec", "Key", "v", names(i)), False, "WriteINI to a bare name of " & Len(names(i))
Next

' A line break in any text is refused: no new key, no new section.
CheckEqual d.WriteINI("Sec", "Key", "v" & vbCrLf & "[Injected]" & vbCrLf & "CLSID=x", ini), False, "WriteINI of a value with line breaks"
CheckEqual d.WriteINI("Sec" & vbLf & "[Injected]", "Key", "v", ini), False, "WriteINI of a section with a line break"
CheckEqual d.ReadINI("Injected", "CLSID", ini), "", "no injected section"
On Error Resume Next
d.ChangeFolderIcon f, "shell32.dll", "3", "Tip" & vbCrLf & "CLSID={00000000-0000-0000-0000-000000000000}" & vbCrLf & "[Injected]"
KeepError : On Error GoTo 0
CheckError 5, "", "ChangeFolderIcon with a tip holding line breaks"
CheckEqual d.ReadINI(".ShellClassInfo", "CLSID", ini), "", "no CLSID line"
CheckEqual d.ReadINI(".ShellClassInfo", "IconFile", ini), "", "nothing of the call was written"

' A NUL in the file name: the kernel would write the file named by the text before it.
CheckEqual d.WriteINI("Sec", "Key", "v", dir & "\a.ini" & Chr(0) & "b"), False, "WriteINI to a name with a NUL"
CheckEqual fso.FileExists(dir & "\a.ini"), False, "no file under the cut name"

' An empty folder would put Desktop.ini at the root of the current drive.
Dim home : home = sh.CurrentDirectory
sh.CurrentDirectory = dir
rootIni = Left(dir, 3) & "Desktop.ini"
before = fso.FileExists(rootIni)
On Error Resume Next : d.ChangeFolderIcon "", "shell32.dll" : KeepError : On Error GoTo 0
CheckError 5, "", "ChangeFolderIcon of an empty folder"
CheckEqual fso.FileExists(rootIni), before, "no Desktop.ini at the drive's root"
sh.CurrentDirectory = home  ' a process's current folder cannot be deleted

' A NUL in the folder, and a folder too long for the kernel.
On Error Resume Next : d.ChangeFolderIcon f & Chr(0) & "x", "shell32.dll" : KeepError : On Error GoTo 0
CheckError 5, "", "ChangeFolderIcon of a folder with a NUL"
CheckEqual fso.FileExists(ini), False, "nothing written in the folder before the NUL"
On Error Resume Next : d.ChangeFolderIcon String(33000, "a"), "shell32.dll" : KeepError : On Error GoTo 0
CheckError 5, "", "ChangeFolderIcon of an over-long folder"

' The same calls with a usable folder still work.
d.ChangeFolderIcon f, "shell32.dll", "3", "Tip"
CheckEqual d.ReadINI(".ShellClassInfo", "InfoTip", ini), "Tip", "a plain tip is written"

' The reset takes the customisation and the folder's read-only mark off again.
d.ChangeFolderIcon f, , , , , True
If fso.FileExists(ini) Then fso.GetFile(ini).Attributes = 0
fso.DeleteFolder dir, True
Finish
