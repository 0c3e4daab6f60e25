' checks: 47
' The property-style accessor, the flat registry functions, INI-registry transfer and form
' positions, as a client script uses them.
Const HKCU = &H80000001
Const Base = "Software\Kelzud10Tests\registry_accessor_vbs"
Dim r, rt, sw, h, v, names, n, dir, ini, fso, f, frm

' A form as a script writes one. Left and friends name built-in functions: Wine's VBScript
' takes them only as read-only properties, so the form is placed through Place and Move.
Class TestForm
  Private mL
  Private mT
  Private mW
  Private mH
  Public WindowState
  Public BackColor
  Public Moves
  Private Sub Class_Initialize()
    mL = 0 : mT = 0 : mW = 1000 : mH = 1000 : WindowState = 0 : Moves = ""
  End Sub
  Public Property Get Left()
    Left = mL
  End Property
  Public Property Get Top()
    Top = mT
  End Property
  Public Property Get Width()
    Width = mW
  End Property
  Public Property Get Height()
    Height = mH
  End Property
  Public Sub Place(a, b, c, d)
    mL = a : mT = b : mW = c : mH = d
  End Sub
  Public Sub Move(a, b, c, d)
    Moves = Moves & a & "," & b & "," & c & "," & d & ";"
    mL = a : mT = b : mW = c : mH = d
  End Sub
End Class

' An INI handler of the script's own, given to the transfer in place of the one it makes: it
' answers by member name through a handler it holds, and counts the values read through it.
Class ScriptIni
  Public Path
  Public Section
  Public Key
  Public Reads
  Private inner
  Private Sub Class_Initialize()
    Set inner = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
    Reads = 0
  End Sub
  Private Sub Aim()
    inner.Path = Path : inner.Section = Section : inner.Key = Key
  End Sub
  Public Property Get Value()
    Aim : Reads = Reads + 1 : Value = inner.Value
  End Property
  Public Property Let Value(text)
    Aim : inner.Value = text
  End Property
  Public Sub EnumerateAllSections(names, count)
    Aim : inner.EnumerateAllSections names, count
  End Sub
  Public Sub EnumerateCurrentSection(names, count)
    Aim : inner.EnumerateCurrentSection names, count
  End Sub
End Class

Set fso = CreateObject("Scripting.FileSystemObject")
Set r = CreateObject("Kelzud10.clsKelzudRegHand2A")
r.ClassKey = HKCU
r.SectionKey = Base & "\one"
Check Not r.KeyExists, "missing key"
Check r.CreateKey, "CreateKey"
Check r.KeyExists, "created key"

r.ValueKey = "pct"
r.ValueType = 1
r.Value = "%WINDIR%"
Check r.Value <> "%WINDIR%" And Len(r.Value) > 0, "expandable text read back expanded"
CheckEqual r.ValueType, 2, "stored as REG_EXPAND_SZ"
r.ValueKey = "n"
r.ValueType = 4
r.Value = 300
CheckEqual r.Value, 300, "REG_DWORD"
r.ValueKey = "absent"
r.Default = "dflt"
CheckEqual r.Value, "dflt", "Default for a missing value"
CheckEqual r.ValueType, 4, "type unchanged by a missing value"

r.ValueType = 3
r.ValueKey = "b"
On Error Resume Next : r.Value = "text" : KeepError : On Error GoTo 0
CheckError 26001, "kelzud10.cRegistry", "binary from text"
' A script holds binary data as a Variant array of whole numbers: what it wrote or read back
' can be written again, to the same or another value.
Dim bin, bad, i
r.SectionKey = Base & "\one\binary"
On Error Resume Next : r.Value = Array(1, 2, 255) : KeepError : On Error GoTo 0
CheckError 0, "", "binary from a Variant array"
bin = r.Value
CheckEqual UBound(bin) - LBound(bin), 2, "three bytes stored"
CheckEqual bin(LBound(bin)) + 256 * bin(LBound(bin) + 1) + 65536 * bin(LBound(bin) + 2), 1 + 512 + 255 * 65536, "the bytes stored"
r.ValueKey = "b copy"
On Error Resume Next : r.Value = bin : KeepError : On Error GoTo 0
CheckError 0, "", "binary read back written to another value"
v = r.Value
CheckEqual v(LBound(v)) + 256 * v(LBound(v) + 1) + 65536 * v(LBound(v) + 2), 1 + 512 + 255 * 65536, "the copy holds the same bytes"
r.ValueKey = "b"
bad = Array(Array(1, 256), Array(-1), Array(1.5), Array("x"))
For i = 0 To 3
  On Error Resume Next : r.Value = bad(i) : KeepError : On Error GoTo 0
  CheckError 26001, "kelzud10.cRegistry", "binary from an element that is no byte (" & i & ")"
Next
r.SectionKey = Base & "\nothere"
On Error Resume Next : r.DeleteKey : KeepError : On Error GoTo 0
CheckEqual kzErrDescription, "Failed to delete registry Key: '-2147483647',Section: '" & Base & "\nothere", "delete message"
CheckError 26001, "kelzud10.cRegistry", "delete of a missing key"

r.SectionKey = Base & "\one"
Check r.EnumerateValues(names, n), "EnumerateValues"
CheckEqual n, 2, "two values"
v = names(1) & "," & names(2)
Check v = "pct,n" Or v = "n,pct", "names at indices 1 and 2"
r.SectionKey = Base
Check r.EnumerateSections(names, n), "EnumerateSections"
CheckEqual n, 1, "one subkey"
CheckEqual names(1), "one", "subkey name"

' The flat functions.
Set rt = CreateObject("Kelzud10.clsKelzud10RunTimeB")
rt.CreateNewKey HKCU, Base & "\flat"
rt.SetKeyValue HKCU, Base & "\flat", "s", "C:\x.exe", 1
CheckEqual rt.QueryValue(HKCU, Base & "\flat", "s"), "C:\x.exe", "QueryValue of text written without NUL"
rt.SetKeyValue HKCU, Base & "\flat", "d", 7, 4
CheckEqual rt.QueryValue(HKCU, Base & "\flat", "d"), 7, "QueryValue of a DWORD"
rt.DeleteValue HKCU, Base & "\flat", "d"
Check IsEmpty(rt.QueryValue(HKCU, Base & "\flat", "d")), "value deleted"

Dim icon, cmd
icon = ""
rt.FileAssociationInRegistry2 ".kz10acc", "C:\a.exe", icon
CheckEqual icon, "C:\a.exe,0", "icon text returned in the variable"
Set cmd = CreateObject("Kelzud10.clsKelzudRegHand2A")
cmd.ClassKey = &H80000000
cmd.SectionKey = ".kz10acc\shell\Open\command"
CheckEqual cmd.Value, "C:\a.exe %1", "open command of the second form"
rt.FileAssociationInRegistry ".kz10acc", "C:\b.exe", "C:\b.exe,1"
cmd.SectionKey = ".kz10acc\shell\Open \command"
CheckEqual cmd.Value, "C:\b.exe %1", "verb key with its trailing space"
For Each v In Array(".kz10acc\shell\Open \command", ".kz10acc\shell\Open ", ".kz10acc\shell\Open\command", _
                    ".kz10acc\shell\Open", ".kz10acc\shell", ".kz10acc\DefaultIcon", ".kz10acc")
  cmd.SectionKey = v
  cmd.DeleteKey
Next
rt.ShowAtStartup "Kelzud10TestsAccessor", "C:\x.exe"
CheckEqual rt.QueryValue(&H80000002, "SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUN\", "Kelzud10TestsAccessor"), "C:\x.exe", "startup entry"
rt.DontShowAtStartup "Kelzud10TestsAccessor"
Check IsEmpty(rt.QueryValue(&H80000002, "SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUN\", "Kelzud10TestsAccessor")), "startup entry removed"

' INI file to registry and back.
dir = TempFolder()
ini = dir & "\in.ini"
Set f = fso.CreateTextFile(ini, True)
f.Write "[A]" & vbCrLf & "x=1" & vbCrLf & "y=2" & vbCrLf
f.Close
Set sw = CreateObject("Kelzud10.clsKelzudaINIREGSwapA")
CheckEqual sw.INIFileToRegistry(ini, Base & "\K", HKCU), 0, "INIFileToRegistry result"
r.SectionKey = Base & "\K\A"
r.ValueKey = "y"
CheckEqual r.Value, "2", "y copied"
CheckEqual sw.RegistryToINIFile(dir & "\out.ini", Base & "\K", HKCU), 0, "RegistryToINIFile result"
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = dir & "\out.ini"
h.Section = "A"
h.Key = "x"
CheckEqual h.Value, "1", "x copied back"

' The same transfer through the script's own handler: every section and key, the last included.
Set f = fso.CreateTextFile(dir & "\in2.ini", True)
f.Write "[P]" & vbCrLf & "a=1" & vbCrLf & "[Q]" & vbCrLf & "b=2" & vbCrLf & "c=3" & vbCrLf
f.Close
Set sw = CreateObject("Kelzud10.clsKelzudaINIREGSwapA")
Set sw.goclsKelzudINIFileHandler1A = New ScriptIni
CheckEqual sw.INIFileToRegistry(dir & "\in2.ini", Base & "\K2", HKCU), 0, "INIFileToRegistry through a script handler"
CheckEqual sw.goclsKelzudINIFileHandler1A.Reads, 3, "each value read through the script handler"
r.SectionKey = Base & "\K2\Q"
r.ValueKey = "c"
CheckEqual r.Value, "3", "the last key of the last section copied"
r.SectionKey = Base & "\K2\P"
r.ValueKey = "a"
CheckEqual r.Value, "1", "the first key copied"
sw.RegistryToINIFile dir & "\out2.ini", Base & "\K2", HKCU
h.Path = dir & "\out2.ini"
h.Section = "Q"
h.Key = "c"
CheckEqual h.Value, "3", "written back through the script handler"

' Form positions through a script form.
Set frm = New TestForm
h.Path = dir & "\form.ini"
h.Section = "Main"
frm.Place 1440, 720, 4000, 3500
h.SaveFormPosition frm
h.Key = "Width"
CheckEqual h.Value, "4000", "width saved"
Set frm = New TestForm
h.LoadFormPosition frm
CheckEqual frm.Moves, "1440,720,4000,3500;", "moved to the saved place"
Set frm = New TestForm
h.Section = "Empty"
h.LoadFormPosition frm
CheckEqual frm.Left, 60, "kept off the screen edge"
CheckEqual frm.Width, 3000, "minimum width"

' Clean up, leaves first.
For Each v In Array(Base & "\one\binary", Base & "\one", Base & "\flat", Base & "\K\A", Base & "\K", Base & "\K2\P", Base & "\K2\Q", Base & "\K2", Base)
  r.SectionKey = v
  r.DeleteKey
Next
fso.DeleteFolder dir, True
Finish
