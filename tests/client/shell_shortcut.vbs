' checks: 11
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
CheckEqual s.doAddShortCut(target, "T", "", 5), True, "an absolute-menu destination passes empty folders and still gives True"

CheckEqual s.GetWinSysDir(), s.GetWinDir() & "\System\", "GetWinSysDir"
r = s.GetSpecialFolderLocationW32a(0, 5)
Check r <> "" And r = w.GetSpecialFolderPath(0, 5), "both classes give the same documents folder"

CheckEqual w.AddToDocumentsList(""), False, "an empty name is not added"
' The answer follows the platform's last-error code, which Wine leaves set after the call.
CheckEqual VarType(w.AddToDocumentsList(target)), vbBoolean, "adding a file answers with a Boolean"

fso.DeleteFolder dir, True
Finish
