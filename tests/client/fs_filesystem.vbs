' checks: 71
' The file-system object as a script calls it: name functions, by-reference arguments, optional
' arguments, lists and totals, file operations with their unattended messages, drives, processes.
Dim fs, fso, dir, f, r, n, t, fr, u, col, cnt, v, arr, drives, tmp, ok

Set fs = CreateObject("Kelzud10.clsKelzudFileSystemA")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = TempFolder()

' Names and text functions.
CheckEqual fs.Get_Extension("C:\Data\report.txt"), "txt", "Get_Extension"
CheckEqual fs.Get_Filename("C:\Data\report.txt"), "report.txt", "Get_Filename"
CheckEqual fs.Get_Path("C:\Data\report.txt"), "C:\Data", "Get_Path"
CheckEqual fs.Add_Trailing_Slash("  C:\Temp  "), "C:\Temp\", "Add_Trailing_Slash"
CheckEqual fs.Remove_Trailing_Slash("C:\Temp\\"), "C:\Temp\", "Remove_Trailing_Slash removes one"
t = "abc" & Chr(0) & "def"
CheckEqual fs.Remove_Nulls(t), "abc", "Remove_Nulls"
CheckEqual Len(t), 7, "Remove_Nulls leaves its argument"
n = 25
CheckEqual fs.Shrink_2_Fit("C:\Apps\Common\System32\Drivers\foo.sys", n), "C:\...\Drivers\foo.sys", "Shrink_2_Fit"
CheckEqual fs.Attribute_String(33), "RA", "Attribute_String 33"
CheckEqual fs.Attribute_String(39), "", "Attribute_String 39"
n = 8
r = fs.Create_Tmp_Name(n)
CheckEqual Len(r), 8, "Create_Tmp_Name length"
CheckEqual Left(r, 1), "_", "Create_Tmp_Name starts with _"
CheckEqual r, LCase(r), "Create_Tmp_Name is lower case"
n = 0
CheckEqual fs.Create_Tmp_Name(n), "", "Create_Tmp_Name(0)"

' Create_Tmp_Filename fills an empty variable with the temporary folder.
tmp = ""
r = fs.Create_Tmp_Filename(tmp)
CheckEqual Right(tmp, 1), "\", "the folder ends in a backslash"
CheckEqual LCase(Left(r, Len(tmp))), LCase(tmp), "the file is in that folder"
Check fso.FileExists(r), "the temporary file exists"
fso.DeleteFile r
r = fs.Create_Tmp_Folder()
Check fso.FolderExists(r), "Create_Tmp_Folder"
fso.DeleteFolder fs.Remove_Trailing_Slash(r)

' Count and CancelProcessing.
CheckEqual fs.Count, 0, "Count starts at 0"
fs.Count = 5
CheckEqual fs.Count, 5, "Count let"
CheckEqual fs.CancelProcessing, False, "CancelProcessing starts false"

' A small tree: lists, totals, search.
Set f = fso.CreateTextFile(dir & "\a.log") : f.Write String(100, "a") : f.Close
Set f = fso.CreateTextFile(dir & "\b.txt") : f.Write "find the Needle" : f.Close
fso.CreateFolder dir & "\sub"
Set f = fso.CreateTextFile(dir & "\sub\c.log") : f.Write String(200, "c") : f.Close
r = fs.Get_FileList(dir)
CheckEqual Right(r, 1), ";", "the list ends in ;"
CheckEqual UBound(Split(r, ";")), 3, "three files"
r = fs.Get_FileList(dir, False, "*.LOG")
CheckEqual r, dir & "\a.log;", "one log without subfolders"
CheckEqual fs.Count, 6, "Count grew by the one match"
CheckEqual fs.Get_Totals(dir, 1, "*.log"), "300", "Get_Totals of sizes"
CheckEqual fs.Get_Totals(dir, , , False), "115", "Get_Totals with defaults, no subfolders"
CheckEqual fs.Get_Totals(dir, 5), "0", "Get_Totals type 5"
CheckEqual fs.Get_DirList(dir), dir & "\sub", "Get_DirList"
CheckEqual VarType(fs.Get_FileList(dir, True, "*.zip")), 8, "nothing matched but a subfolder walked: an empty String"
fso.CreateFolder dir & "\void"
CheckEqual VarType(fs.Get_FileList(dir & "\void")), 0, "an empty folder: Empty"
t = "NEEDLE"
f = dir
arr = fs.TextSearch(f, t)
CheckEqual UBound(arr), 0, "one file holds the text"
CheckEqual arr(0), dir & "\b.txt", "TextSearch result"
t = "absent"
arr = fs.TextSearch(f, t)
CheckEqual UBound(arr), 1, "no match: two elements"
CheckEqual arr(0), "N/A", "no match: N/A"
On Error Resume Next : r = fs.Get_FileList(dir & "\missing") : KeepError : On Error GoTo 0
CheckError 76, "", "Get_FileList of a missing folder"

' File information, copy and move.
f = dir & "\a.log"
CheckEqual fs.Get_FileInfo(f), True, "Get_FileInfo"
f = dir & "\none.log"
CheckEqual fs.Get_FileInfo(f), False, "Get_FileInfo of a missing file"
fso.GetFile(dir & "\b.txt").Attributes = 1
f = dir & "\b.txt" : t = dir & "\copy.txt"
CheckEqual fs.Copy_File(f, t), True, "Copy_File"
CheckEqual fso.GetFile(t).Attributes And 1, 1, "the copy is read-only too"
f = dir & "\a.log" : t = dir & "\moved.log"
CheckEqual fs.Move_File(f, t), True, "Move_File"
Check Not fso.FileExists(dir & "\a.log"), "the source has gone"
f = dir & "\nothing.txt" : t = dir & "\x.txt"
CheckEqual fs.Move_File(f, t), False, "Move_File of a missing file"
fso.GetFile(dir & "\b.txt").Attributes = 0
fso.GetFile(dir & "\copy.txt").Attributes = 0

' Folders.
CheckEqual fs.Create_Dir_Struct(""), False, "Create_Dir_Struct of nothing"
CheckEqual fs.Create_Dir_Struct(dir & "\x\y\z"), True, "Create_Dir_Struct"
Check fso.FolderExists(dir & "\x\y\z"), "the chain exists"
CheckEqual fs.Folder_Exist(dir & "\x\"), True, "Folder_Exist with a backslash"
CheckEqual fs.Folder_Exist(dir & "\x\y\nofile.txt"), True, "Folder_Exist answers for the parent"
f = dir & "\x"
CheckEqual fs.DelTree32(f), True, "DelTree32"
Check Not fso.FolderExists(dir & "\x"), "the tree has gone"
f = dir & "\x"
CheckEqual fs.DelTree32(f), False, "DelTree32 of a missing folder"
f = dir & "\*.*"
CheckEqual fs.FileExists(f), True, "FileExists with a pattern"
f = dir
CheckEqual fs.IsThisRestricted(f), False, "a writable folder"
Check Not fso.FileExists(dir & "\_Test.$$$"), "no test file left"
f = dir & "\b.txt"
CheckEqual fs.File_Exist(f), True, "File_Exist"

' Drives and processes.
drives = fs.Available_Drives()
CheckEqual LBound(drives), 0, "drives start at 0"
Check UBound(drives) >= 0, "at least one drive"
n = -1
CheckEqual fs.Drive_Exist("C", n), False, "Drive_Exist without a colon"
CheckEqual n, 0, "the type is 0 then"
CheckEqual fs.Drive_Exist("C:\windows", n), True, "Drive_Exist of C:"
Check n > 0, "drive type of C:"
CheckEqual fs.DIObject.RootFolder, "C:\", "DIObject.RootFolder"
CheckEqual CStr(fs.DIObject), "C:", "DIObject's default member"
CheckEqual fs.IsDriveReady("1:"), False, "IsDriveReady of a non-letter"
t = 0 : fr = 0 : u = 0
CheckEqual fs.Get_Disk_Space("C:\", t, fr, u), True, "Get_Disk_Space"
Check t > 0 And t >= fr, "total and free"
CheckEqual u, t - fr, "used"
f = "cscript.exe"
cnt = 0
ok = fs.IsExeRunning(f, col, cnt)
Check ok, "cscript.exe is running"
CheckEqual col.Count, cnt, "the collection holds every process"
f = "CSCRIPT.EXE"
CheckEqual fs.IsExeRunning(f), False, "names are compared exactly"
f = dir
CheckEqual fs.BrowseForFolder(, "Pick"), "", "the picker is cancelled unattended"

fso.DeleteFolder dir, True
Finish
