' checks: 25
' Folder customisation and text files as a script calls them: Desktop.ini entries, the reset,
' the helpers with their by-reference arguments, and the text readers.
Dim d, tf, fso, dir, f, s, k, v, ini, r, h, title, n

Set d = CreateObject("Kelzud10.clsKelzudFolderDesktopINIA")
Set tf = CreateObject("Kelzud10.clsKelzudFFTextFileA")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = TempFolder()
fso.CreateFolder dir & "\custom"

f = dir & "\custom"
r = d.ChangeFolderIcon(f, "shell32.dll", "3", "Tip text")
CheckEqual VarType(r), 0, "ChangeFolderIcon returns Empty"
ini = dir & "\custom\Desktop.ini"
s = ".ShellClassInfo" : k = "IconIndex"
CheckEqual d.ReadINI(s, k, ini), "3", "IconIndex"
k = "InfoTip"
CheckEqual d.ReadINI(s, k, ini), "Tip text", "InfoTip"
s = "{BE098140-A513-11D0-A3A4-00C04FD706EC}" : k = "Attributes"
CheckEqual d.ReadINI(s, k, ini), "1", "the view's Attributes"
CheckEqual fso.GetFile(ini).Attributes And 6, 6, "Desktop.ini is hidden and system"
CheckEqual d.bFileExists(ini), False, "bFileExists skips hidden files"
f = dir & "\custom"
r = d.ChangeFolderIcon(f, , , , , True)
s = ".ShellClassInfo" : k = "IconFile"
CheckEqual d.ReadINI(s, k, ini), "", "the reset removed IconFile"
Check fso.FileExists(ini), "the reset keeps the file"

' INI helpers.
ini = dir & "\x.ini" : s = "S" : k = "K" : v = "value"
CheckEqual d.WriteINI(s, k, v, ini), True, "WriteINI"
CheckEqual d.ReadINI(s, k, ini), "value", "ReadINI"
f = dir
CheckEqual d.IsFolderExists(f), True, "IsFolderExists"
f = dir & "\none"
CheckEqual d.IsFolderExists(f), False, "IsFolderExists of a missing folder"
f = dir
CheckEqual d.CheckIfFolderIsSystem(f), False, "a plain folder is no system folder"
f = ini
CheckEqual d.bFileExists(f), True, "bFileExists"
d.FileAttribHide f
CheckEqual fso.GetFile(ini).Attributes And 6, 6, "FileAttribHide"
CheckEqual d.bFileExists(f), False, "now hidden"
f = "  "
CheckEqual d.bFileExists(f), False, "a blank name"
h = 0 : title = "Pick"
CheckEqual d.BrowseFolder(h, title), "", "BrowseFolder is cancelled unattended"
f = dir & "\none"
On Error Resume Next : d.setFolderRead f : KeepError : On Error GoTo 0
CheckError 76, "", "setFolderRead of a missing folder"

' Text files.
Set h = fso.CreateTextFile(dir & "\t.txt")
h.Write "  one  " & vbCrLf & "two" & vbCrLf
h.Close
f = dir & "\t.txt"
CheckEqual tf.ReadTXTFileInString(f), "  one  " & vbCrLf & "two" & vbCrLf, "ReadTXTFileInString"
CheckEqual tf.ScrollTextFromFile(f), "one  " & vbCrLf & "two" & vbCrLf, "ScrollTextFromFile"
f = dir & "\none.txt"
CheckEqual tf.ReadTXTFileInString(f), "", "a missing file reads empty"
CheckEqual tf.ScrollTextFromFile(f), "Advertisement Scroll1.txt file not found!", "ScrollTextFromFile of a missing file"
n = 10
On Error Resume Next : tf.ScrollAdvertisement Nothing, "Stop", n : KeepError : On Error GoTo 0
CheckError 0, "", "a stop call returns at once, without a picture box"
On Error Resume Next : tf.ScrollAdvertisement Nothing, "text" : KeepError : On Error GoTo 0
CheckError 91, "", "scrolling needs a picture box"

fso.GetFile(dir & "\custom\Desktop.ini").Attributes = 0
fso.GetFile(ini).Attributes = 0
fso.DeleteFolder dir, True
Finish
