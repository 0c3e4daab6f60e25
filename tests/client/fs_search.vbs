' checks: 21
' The file search as a script uses it: results, For Each, keys, errors and a missing root.
Dim fso, dir, s, f, n, names, item

Set fso = CreateObject("Scripting.FileSystemObject")
dir = TempFolder()
fso.CreateTextFile(dir & "\a.txt").Write "hello"
fso.CreateTextFile(dir & "\b.doc").Write "x"
fso.CreateFolder dir & "\sub"
fso.CreateTextFile(dir & "\sub\c.txt").Write "x"

Set s = CreateObject("Kelzud10.clsKelzudFileSearchA")
s.SearchFiles dir, "*.txt", False
CheckEqual s.Files.Count, 1, "flat search finds only a.txt"
Set f = s.Files(1)
CheckEqual f.FileName, "a.txt", "FileName"
CheckEqual f.FilePath, dir & "\", "FilePath ends in a backslash"
CheckEqual f.FileNameFull, dir & "\a.txt", "FileNameFull"
CheckEqual f.FileSize, 5, "FileSize"
CheckEqual TypeName(f.FileSize), "Double", "FileSize is a Double"
CheckEqual TypeName(f.Modified), "Date", "Modified is a Date"
Check f.Modified > 0, "Modified is set"

s.SearchFiles dir & "\", "*.txt"
CheckEqual s.Files.Count, 3, "a second search appends; Recursive defaults to True"
names = ""
For Each item In s.Files
  names = names & item.FileName & ";"
Next
CheckEqual names, "a.txt;c.txt;a.txt;", "subfolders before the folder's own files"

s.SearchFiles dir & "\nowhere", "*"
CheckEqual s.Files.Count, 3, "a missing root adds nothing and raises nothing"
s.SearchFiles dir & Chr(0) & "\sub", "*.txt", False
CheckEqual s.Files.Count, 3, "a path with a NUL is refused, not cut at the NUL"

' The collection's rules.
Dim k
k = "Mine"
s.Files.Add "C:\x.txt", k
CheckEqual s.Files("MINE").FileNameFull, "C:\x.txt", "keys without case"
On Error Resume Next : s.Files.Add "C:\y.txt", "mine" : KeepError : On Error GoTo 0
CheckError 457, "", "a key in use"
On Error Resume Next : Set item = s.Files("none") : KeepError : On Error GoTo 0
CheckError 5, "", "an absent key"
On Error Resume Next : Set item = s.Files(99) : KeepError : On Error GoTo 0
CheckError 9, "", "a position past the end"
On Error Resume Next : s.Files.Remove 1 : KeepError : On Error GoTo 0
CheckError 0, "", "Remove by position"
CheckEqual s.Files.Count, 3, "one removed"

' Result objects are plain properties.
f.FileName = "other"
CheckEqual f.FileName, "other", "FileName let"
f.FileAttributes = 32
CheckEqual f.FileAttributes, 32, "FileAttributes let"

On Error Resume Next : Set item = CreateObject("Kelzud10.clsKelzudFileSearchFileA") : KeepError : On Error GoTo 0
CheckError 429, "", "result objects are not creatable"

Set f = Nothing
Set s = Nothing
fso.DeleteFolder dir, True
Finish
