' checks: 17
' locks: fonts_key
' The font installer as a script calls it: properties, the copy that never overwrites, the
' registry value it writes, and the failures it raises or reports by False.
Dim f, fso, sh, dir, dest, name, v, ts, reg, k

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
dir = TempFolder()
Set f = CreateObject("Kelzud10.clsKelzudFontsA")
CheckEqual f.SourceFile, "", "SourceFile starts empty"
CheckEqual f.IsTrueType, False, "IsTrueType starts false"
f.FontName = "Script Font"
CheckEqual f.FontName, "Script Font", "FontName reads back"

' A missing source: the copy raises file-not-found.
f.SourceFile = dir & "\missing.ttf"
f.DestinationFile = dir & "\copy.ttf"
On Error Resume Next : f.AddFont : KeepError : On Error GoTo 0
CheckError 53, "", "AddFont with a missing source"

' A source that is not a font is refused before it is copied or registered.
Set ts = fso.CreateTextFile(dir & "\text.ttf", True)
ts.Write "not a font"
ts.Close
f.SourceFile = dir & "\text.ttf"
f.DestinationFile = dir & "\copy.ttf"
f.FontName = "KzScriptNoFont" & fso.GetTempName()
On Error Resume Next : f.AddFont True, True, True : KeepError : On Error GoTo 0
CheckError 321, "", "AddFont of a file that is not a font"
CheckEqual fso.FileExists(dir & "\copy.ttf"), False, "nothing copied"
On Error Resume Next : v = sh.RegRead("HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts\" & f.FontName) : KeepError : On Error GoTo 0
Check kzErrNumber <> 0, "nothing registered"
' Registering an existing destination that is not a font is refused as well.
f.DestinationFile = dir & "\text.ttf"
On Error Resume Next : f.AddFont False, False, True : KeepError : On Error GoTo 0
CheckError 321, "", "registering a file that is not a font"
f.SourceFile = dir & "\missing.ttf"
f.FontName = "Script Font"

' An existing destination is neither copied over nor changed; the failed load is not reported.
Set ts = fso.CreateTextFile(dir & "\kept.ttf", True)
ts.Write "kept"
ts.Close
fso.GetFile(dir & "\kept.ttf").Attributes = 1
f.DestinationFile = dir & "\kept.ttf"
On Error Resume Next : f.AddFont : KeepError : On Error GoTo 0
CheckError 0, "", "AddFont over an existing destination"
CheckEqual fso.OpenTextFile(dir & "\kept.ttf").ReadAll, "kept", "the destination keeps its text"
CheckEqual fso.GetFile(dir & "\kept.ttf").Attributes And 1, 1, "and its read-only attribute"

' Not a font: ManageFonts says False both ways, RemoveFont says nothing.
CheckEqual f.ManageFonts, False, "ManageFonts on a text file"
CheckEqual f.ManageFonts(False), False, "unloading a font never loaded"
On Error Resume Next : f.RemoveFont : KeepError : On Error GoTo 0
CheckError 0, "", "RemoveFont reports nothing"

' Registering only: the value name carries " (TrueType)", the data is the path in upper case.
name = "KzScriptFont" & fso.GetTempName()
f.FontName = name
f.IsTrueType = True
dest = dir & "\Reg.ttf"
f.DestinationFile = dest
On Error Resume Next : f.AddFont False, False, True : KeepError : On Error GoTo 0
CheckError 0, "", "AddFont that only registers"
v = sh.RegRead("HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts\" & name & " (TrueType)")
CheckEqual v, UCase(dest), "the registry value"
' Wine's RegDelete ends the script: the library's registry class removes the value instead.
Set reg = CreateObject("Kelzud10.clsKelzudRegHand1A")
k = reg.OpenKey(&H80000002, "SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts", True, "")
reg.DeleteValue k, name & " (TrueType)"
reg.CloseKey k
CheckEqual fso.FileExists(dest), False, "nothing copied without the copy flag"

fso.GetFile(dir & "\kept.ttf").Attributes = 0
fso.DeleteFolder dir, True
Finish
