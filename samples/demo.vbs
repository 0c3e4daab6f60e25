' What the library does so far, as a setup script would use it.
Option Explicit
Dim fso, dir, ini, h, keys, n, i
Set fso = CreateObject("Scripting.FileSystemObject")
dir = fso.GetSpecialFolder(2) & "\" & fso.GetTempName()
fso.CreateFolder dir
ini = dir & "\setup.ini"

Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = ini
h.Section = "HeaderInfo"
h.Key = "FileName" : h.Value = "setup.ini"
h.Key = "LCID" : h.Value = "1033"
h.Section = "Install"
h.Key = "Folder" : h.Value = "C:\Program Files\Example"
h.Key = "Version" : h.Value = "1.00.0629"
WScript.Echo "Wrote " & ini & " (Success=" & h.Success & ")"

h.EnumerateAllSections keys, n
WScript.Echo "Sections (" & n & "):"
For i = 1 To n : WScript.Echo "  [" & keys(i) & "]" : Next
h.Section = "Install"
h.EnumerateCurrentSection keys, n
For i = 1 To n
  h.Key = keys(i)
  WScript.Echo "  " & keys(i) & " = " & h.Value
Next
WScript.Echo "Version as a number with a fallback: " & h.CLngDefault("1.00.0629", -1)
WScript.Echo "Read through a second handler: " & h.ReadDetailsINIFileValue(ini, "Install", "Folder")

Dim root
Set root = CreateObject("Kelzud10.VQ_KELZUD10")
Set root.m_clsKelzudINIFileHandler1A = h
WScript.Echo "Root object holds: " & TypeName(root.m_clsKelzudINIFileHandler1A)

On Error Resume Next
CreateObject "Kelzud10.clsKelzudRegHand1KeyA"
WScript.Echo "Creating a dependent class: error " & Err.Number & " (" & Err.Description & ")"
On Error GoTo 0
fso.DeleteFolder dir, True
