' Drive and file queries as a script makes them, beside the script host's own file-system object
' in the same run: Drive_Exist against the host's drive object asked for the same fields (type,
' label, file system, serial number, free and total space), and File_Exist against the host's
' FileExists, for context (the host's check refreshes no drive record). Rounds pair one loop of
' each; prints per-call figures and the ratios (ours / host) as min / median / max.
Option Explicit
Const N = 300
Const Rounds = 5
Dim fs, fso, sh, drv, file, i, r, t0, round, a, b, tmp, arch, kind
Dim dr(4), fr(4), drive_ours, drive_host, file_ours, file_host
Set fs = CreateObject("Kelzud10.clsKelzudFileSystemA")
Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
arch = sh.Environment("PROCESS")("PROCESSOR_ARCHITECTURE")
If UCase(arch) = "AMD64" Then arch = "x64" Else arch = "x86"
WScript.Echo "architecture: " & arch
file = sh.ExpandEnvironmentStrings("%WINDIR%")
file = Replace(file, Chr(0), "") & "\win.ini"
drive_ours = 0 : drive_host = 0 : file_ours = 0 : file_host = 0
For round = 0 To Rounds - 1
  t0 = Timer
  For i = 1 To N : r = fs.Drive_Exist("C:\", kind) : Next
  dr(round) = Timer - t0
  drive_ours = drive_ours + dr(round)
  t0 = Timer
  For i = 1 To N
    Set drv = fso.GetDrive("C:")
    r = drv.DriveType & drv.VolumeName & drv.FileSystem & drv.SerialNumber & drv.FreeSpace & drv.TotalSize
  Next
  tmp = Timer - t0 : If tmp <= 0 Then tmp = 0.001
  drive_host = drive_host + tmp
  dr(round) = dr(round) / tmp
  t0 = Timer
  For i = 1 To N : r = fs.File_Exist(file) : Next
  fr(round) = Timer - t0
  file_ours = file_ours + fr(round)
  t0 = Timer
  For i = 1 To N : r = fso.FileExists(file) : Next
  tmp = Timer - t0 : If tmp <= 0 Then tmp = 0.001
  file_host = file_host + tmp
  fr(round) = fr(round) / tmp
Next
Sub SortFive(v)
  For a = 0 To Rounds - 2
    For b = a + 1 To Rounds - 1
      If v(b) < v(a) Then tmp = v(a) : v(a) = v(b) : v(b) = tmp
    Next
  Next
End Sub
SortFive dr : SortFive fr
Function Ms(total)
  Ms = FormatNumber(1000 * total / (N * Rounds), 3) & " ms"
End Function
WScript.Echo "Drive_Exist " & Ms(drive_ours) & " per call; the host's drive object, same fields, " & Ms(drive_host)
WScript.Echo "Drive_Exist / host drive object: ratio min / median / max: " & FormatNumber(dr(0), 3) & " / " & FormatNumber(dr(2), 3) & " / " & FormatNumber(dr(4), 3) & "  (goal: at most 1)"
WScript.Echo "File_Exist " & Ms(file_ours) & " per call; the host's FileExists " & Ms(file_host) & " (context: it refreshes no drive record)"
WScript.Echo "File_Exist / host FileExists: ratio min / median / max: " & FormatNumber(fr(0), 3) & " / " & FormatNumber(fr(2), 3) & " / " & FormatNumber(fr(4), 3)
