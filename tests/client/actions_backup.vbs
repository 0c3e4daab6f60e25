' locks: family_environment
' checks: 4
' INI lines and file backups run from a script through Pals.
Dim fso, dir, h, ts, code, n, found

Set fso = CreateObject("Scripting.FileSystemObject")
dir = TempFolder()
fso.CreateTextFile(dir & "\one.txt").Write "one"
Set ts = fso.CreateTextFile(dir & "\actions.ini")
ts.WriteLine "[Ini]"
ts.WriteLine "a=" & dir & "\x.ini,Sec,Name,Val"
ts.WriteLine "[Files]"
ts.WriteLine "One=" & dir & "\one.txt," & dir & "\dest,copy.txt,True"
ts.WriteLine "Missing=" & dir & "\none.txt," & dir & "\dest,copy.txt,True"
ts.Close

Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = dir & "\actions.ini"
h.Section = "Ini"
code = 34
h.Pals code
h.Path = dir & "\x.ini"
h.Section = "Sec"
h.Key = "Name"
CheckEqual h.Value, "Val", "PalsSIni wrote the value"

h.Path = dir & "\actions.ini"
h.Section = "Files"
code = 47
On Error Resume Next : h.Pals code : KeepError : On Error GoTo 0
CheckError 53, "Kelzud10.clsKelzudINIFileHandler1A", "a missing source ends the action"
' The first line's copy stays: find it in the dated tree.
found = FindFile(fso.GetFolder(dir & "\dest"), "copy.txt")
Check found <> "", "the first line's copy remains"
If found <> "" Then CheckEqual fso.OpenTextFile(found).ReadAll(), "one", "copied content"

Function FindFile(folder, name)
  Dim sf, r
  FindFile = ""
  If fso.FileExists(folder.Path & "\" & name) Then
    FindFile = folder.Path & "\" & name
    Exit Function
  End If
  For Each sf In folder.SubFolders
    r = FindFile(sf, name)
    If r <> "" Then
      FindFile = r
      Exit Function
    End If
  Next
End Function

Set h = Nothing
fso.DeleteFolder dir, True
Finish
