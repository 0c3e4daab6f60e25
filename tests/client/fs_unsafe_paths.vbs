' checks: 58
' Paths the kernel would misread: a NUL inside (the kernel stops at it) and paths longer than the
' kernel takes. Every member that hands a path to the file system refuses them, with the result
' it gives for a bad path, and nothing on disk changes.
Dim fs, fso, dir, sys, f, s, t, r, n, tt, fr, u, forms, labels, i

Set fs = CreateObject("Kelzud10.clsKelzudFileSystemA")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = TempFolder()
sys = fso.GetSpecialFolder(1) & "\kernel32.dll"

Sub Put(p, text)
  Dim h
  Set h = fso.CreateTextFile(p, True)
  h.Write text
  h.Close
End Sub

Function Content(p)
  Content = ""
  If fso.FileExists(p) Then Content = fso.OpenTextFile(p).ReadAll
End Function

Put dir & "\important.txt", "important"
Put dir & "\old.txt", "old"
Put dir & "\new.txt", "new"
Put dir & "\victim.txt", "victim"
fso.CreateFolder dir & "\keep"
fso.CreateFolder dir & "\keep\cache"
Put dir & "\keep\cache\x.txt", "cache"

' Each bad form follows a real name, so that a call acting on the text the kernel would see
' changes a file the test looks at.
forms = Array(Chr(0) & "\sub", "\" & String(32767, "q"))
labels = Array("NUL", "long")

Sub Probe(sfx, what)
  f = dir & "\important.txt" & sfx
  CheckEqual fs.IsThisRestricted(f), True, what & ": IsThisRestricted"
  CheckEqual Content(dir & "\important.txt"), "important", what & ": the file beside the test file"
  f = dir & "\keep" & sfx
  CheckEqual fs.DelTree32(f), False, what & ": DelTree32"
  Check fso.FileExists(dir & "\keep\cache\x.txt"), what & ": the folder DelTree32 was not given"
  s = dir & "\new.txt" : t = dir & "\old.txt" & sfx
  CheckEqual fs.Copy_File(s, t), False, what & ": Copy_File to a bad target"
  CheckEqual Content(dir & "\old.txt"), "old", what & ": the file before the bad target after a copy"
  CheckEqual fs.Move_File(s, t), False, what & ": Move_File to a bad target"
  Check Content(dir & "\old.txt") = "old" And Content(dir & "\new.txt") = "new", what & ": both files after a move"
  s = dir & "\victim.txt" & sfx : t = dir & "\moved.txt"
  CheckEqual fs.Move_File(s, t), False, what & ": Move_File of a bad source"
  CheckEqual fs.Copy_File(s, t), False, what & ": Copy_File of a bad source"
  Check fso.FileExists(dir & "\victim.txt") And Not fso.FileExists(t), what & ": the file before the bad source"
  CheckEqual fs.Create_Dir_Struct(dir & "\made" & sfx), False, what & ": Create_Dir_Struct"
  Check Not fso.FolderExists(dir & "\made"), what & ": no folder made"
  f = dir & "\important.txt" & sfx
  CheckEqual fs.Get_FileInfo(f), False, what & ": Get_FileInfo"
  CheckEqual fs.File_Exist(f), False, what & ": File_Exist"
  CheckEqual fs.FileExists(f), False, what & ": FileExists"
  CheckEqual fs.Folder_Exist(dir & "\keep" & sfx), False, what & ": Folder_Exist"
  CheckEqual fs.Get_Version(sys & sfx), "", what & ": Get_Version"
  CheckEqual fs.Get_Totals(dir & "\keep" & sfx), "0", what & ": Get_Totals"
  f = dir & "\keep\cache" & sfx : t = "cache"
  On Error Resume Next : r = fs.TextSearch(f, t) : KeepError : On Error GoTo 0
  CheckError 5, "", what & ": TextSearch"
  On Error Resume Next : r = fs.Get_FileList(dir & "\keep" & sfx) : KeepError : On Error GoTo 0
  CheckError 5, "", what & ": Get_FileList"
  On Error Resume Next : r = fs.Get_DirList(dir & "\keep" & sfx) : KeepError : On Error GoTo 0
  CheckError 5, "", what & ": Get_DirList"
  f = dir & "\keep" & sfx
  On Error Resume Next : r = fs.Create_Tmp_Filename(f) : KeepError : On Error GoTo 0
  CheckError 5, "", what & ": Create_Tmp_Filename"
  CheckEqual fso.GetFolder(dir & "\keep").Files.Count, 0, what & ": no temporary file made"
  n = -1
  CheckEqual fs.Drive_Exist("C:" & sfx, n), False, what & ": Drive_Exist"
  CheckEqual n, 0, what & ": Drive_Exist's type"
  CheckEqual fs.IsDriveReady("C:" & sfx), False, what & ": IsDriveReady"
  tt = 1 : fr = 1 : u = 1
  CheckEqual fs.Get_Disk_Space("C:" & sfx, tt, fr, u), False, what & ": Get_Disk_Space"
End Sub

For i = 0 To 1
  Probe forms(i), labels(i)
Next

' The same members still work on the names before the bad parts.
s = dir & "\new.txt" : t = dir & "\old.txt"
CheckEqual fs.Copy_File(s, t), True, "Copy_File of the good names"
CheckEqual Content(t), "new", "the copy"

fso.DeleteFolder dir, True
Finish
