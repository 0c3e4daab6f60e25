' checks: 14
' Shortcuts in folders of the script's own, special folders and recent documents, as a script
' calls them.
Dim s, w, fso, dir, target, r

Set fso = CreateObject("Scripting.FileSystemObject")
Set s = CreateObject("Kelzud10.clsKelzudFFShortcutA")
Set w = CreateObject("Kelzud10.clsKelzudMSWindowsA")
dir = TempFolder()
target = dir & "\tool.exe"
fso.CreateTextFile(target, True).Close

r = s.doAddShortCutPals(target, "My Tool", "/q ""a b""", 1, dir & "\Pals")
CheckEqual r, 1, "doAddShortCutPals hands on the shortcut function's result"
Check fso.FileExists(dir & "\Pals\My Tool.lnk"), "the link is in the named folder, created for it"
CheckEqual s.doAddShortCutPals(target, "T", "", 7, dir & "\no\such"), 0, "a folder whose parent is missing gives 0"

CheckEqual s.doAddShortCut("  " & target & " ", " Trimmed ", "", 7, dir & "\Custom"), True, "doAddShortCut to a custom folder"
Check fso.FileExists(dir & "\Custom\Trimmed.lnk"), "title trimmed, folder created"
CheckEqual s.doAddShortCut(target, "T", "", 7, dir & "\no\such"), False, "a custom folder that cannot be created gives False"
CheckEqual s.doAddShortCut(target, "T", "", 5), False, "an absolute-menu destination names no folder: False"
Dim desk
desk = CreateObject("WScript.Shell").SpecialFolders("Desktop")
If fso.FileExists(desk & "\Kz Script Link.lnk") Then fso.DeleteFile desk & "\Kz Script Link.lnk"
CheckEqual s.doAddShortCut(target, "Kz Script Link", "", 1), True, "a desktop shortcut"
Check fso.FileExists(desk & "\Kz Script Link.lnk"), "the link is on the desktop"
If fso.FileExists(desk & "\Kz Script Link.lnk") Then fso.DeleteFile desk & "\Kz Script Link.lnk"

CheckEqual s.GetWinSysDir(), s.GetWinDir() & "\System\", "GetWinSysDir"
r = s.GetSpecialFolderLocationW32a(0, 5)
Check r <> "" And r = w.GetSpecialFolderPath(0, 5), "both classes give the same documents folder"

CheckEqual w.AddToDocumentsList(""), False, "an empty name is not added"
CheckEqual w.AddToDocumentsList(target), True, "adding a file"
CheckEqual w.AddToDocumentsList("NUL:"), False, "a device is not added (and the call returns)"

fso.DeleteFolder dir, True
Finish
