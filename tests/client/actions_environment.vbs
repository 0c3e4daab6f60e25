' checks: 6
' locks: family_environment
' The environment action as a setup script runs it, unattended: a plain line, and a line that
' asks for the user's drive on the drive form, which is not shown and closes as on Cancel, so
' the variable holds no drive, only the backslash. A second section removes what the first set.
Dim fso, sh, dir, ini, f, h, r, gone

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
dir = TempFolder()
ini = dir & "\env.ini"
Set f = fso.CreateTextFile(ini, True)
f.WriteLine "[Env]"
f.WriteLine "KZT_VBS_PLAIN=abc,,,"
f.WriteLine "KZT_VBS_CUS=CusDrv,CMD,,"
f.WriteLine "[Clear]"
f.WriteLine "KZT_VBS_PLAIN=,,,"
f.WriteLine "KZT_VBS_CUS=,,,"
f.WriteLine "VQENVFWINOS=,,,"
f.WriteLine "VQENVFCOMPUTER=,,,"
f.WriteLine "VQENVFUSER=,,,"
f.WriteLine "VQENVFVARDELLECREATED=,,,"
f.Close

Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = ini
h.Section = "Env"
r = h.Pals(0)
CheckEqual VarType(r), vbEmpty, "Pals returns the empty value"
CheckEqual sh.RegRead("HKCU\Environment\KZT_VBS_PLAIN"), "abc", "the plain line"
CheckEqual sh.RegRead("HKCU\Environment\KZT_VBS_CUS"), "\", "the drive line without a chosen drive"

h.Section = "Clear"
On Error Resume Next : r = h.Pals(0) : KeepError : On Error GoTo 0
CheckError 0, "", "the clearing section"
On Error Resume Next : r = sh.RegRead("HKCU\Environment\KZT_VBS_CUS") : KeepError : On Error GoTo 0
gone = (kzErrNumber <> 0) : kzErrNumber = 0
Check gone, "the drive variable is gone again"
CheckEqual fso.FileExists(ini), True, "the action file is left as it was"

fso.DeleteFolder dir, True
Finish
