' checks: 59
' The registry object as a setup script uses it: open, write, read back, delete.
Const HKCU = &H80000001
Const TestPath = "Software\Kelzud10Tests\registry_object_vbs"
Dim r, h, h2, v, t, a, s, cls

Set r = CreateObject("Kelzud10.clsKelzudRegHand1A")
CheckEqual r.Count, 0, "Count of a new object"
Check r.BuddyObject Is Nothing, "BuddyObject of a new object"

' Opening: a missing key with fMustExist, then created.
CheckEqual r.OpenKey(HKCU, TestPath & "\Absent", True), -1, "OpenKey of a missing key that must exist"
h = r.OpenKey(HKCU, TestPath)
Check h <> -1, "OpenKey creates the key"
CheckEqual r.Count, 1, "Count after OpenKey"
CheckEqual r.Item(1), h, "Item by position"
CheckEqual r.Item("_H" & Hex(h)), h, "Item by automatic key"
CheckEqual r.Item("nokey"), -1, "Item of an absent key"
h2 = r.OpenKey(HKCU, TestPath, False, "Second")
CheckEqual r.Item("SECOND"), h2, "Item by the caller's key, any case"
CheckEqual r.OpenKey(HKCU, TestPath & "\Absent", True), -1, "still missing"

' Writing and reading back, with the type chosen from the value.
CheckEqual r.SetValue(h, "text", "hello"), 0, "SetValue String"
CheckEqual r.GetValue(h, "text"), "hello", "String read back"
t = 0
v = r.GetValue(h, "text", , t)
CheckEqual t, 1, "lpType of a REG_SZ value"
r.SetValue h, "small", 200
v = r.GetValue(h, "small", , t)
CheckEqual TypeName(v), "Byte", "200 comes back as a Byte"
CheckEqual v, 200, "200"
CheckEqual t, 3, "200 is REG_BINARY"
r.SetValue h, "big", 300
v = r.GetValue(h, "big", , t)
CheckEqual TypeName(v), "Long", "300 comes back as a Long"
CheckEqual t, 4, "300 is REG_DWORD"
r.SetValue h, "neg", -1
CheckEqual r.GetValue(h, "neg"), -1, "-1 as REG_DWORD"
r.SetValue h, "flag", True
CheckEqual r.GetValue(h, "flag"), 1, "True is the byte 1"
r.SetValue h, "dbl", 1.5
v = r.GetValue(h, "dbl", , t)
CheckEqual t, 1, "a Double is written as text"
CheckEqual v, CStr(1.5), "Double text"
r.SetValue h, "list", Array("one", "two")
v = r.GetValue(h, "list", , t)
CheckEqual t, 7, "an array of strings is REG_MULTI_SZ"
CheckEqual UBound(v), 1, "two strings"
CheckEqual v(0) & "|" & v(1), "one|two", "strings in order"
CheckEqual r.SetValue(h, "obj", r), 0, "an object writes nothing"
Check IsEmpty(r.GetValue(h, "obj")), "nothing was written for the object"

' Values written by another program: an expandable string.
Dim shell
Set shell = CreateObject("WScript.Shell")
shell.RegWrite "HKCU\" & TestPath & "\expand", "<%WINDIR%>", "REG_EXPAND_SZ"
v = r.GetValue(h, "expand", , t)
CheckEqual t, 2, "REG_EXPAND_SZ type"
CheckEqual v, shell.ExpandEnvironmentStrings("<%WINDIR%>"), "REG_EXPAND_SZ is expanded"
Check InStr(v, "%") = 0, "no variable left"

' A missing value with a default: the default is stored and returned.
t = 99
CheckEqual r.GetValue(h, "dflt", 5, t), 5, "default returned"
CheckEqual t, 99, "lpType left alone for a missing value"
CheckEqual TypeName(r.GetValue(h, "dflt")), "Byte", "default stored as one byte"
Check IsEmpty(r.GetValue(h, "never")), "missing value without default is Empty"

' Deleting a value by leaving the data out, and with DeleteValue.
CheckEqual r.SetValue(h, "text"), 0, "SetValue without data"
Check IsEmpty(r.GetValue(h, "text")), "value deleted"
Check IsEmpty(r.DeleteValue(h, "small")), "DeleteValue returns Empty"
Check IsEmpty(r.GetValue(h, "small")), "DeleteValue deleted"

' Multi-string text.
a = r.GetMultiSZ("a" & vbNullChar & "b" & vbNullChar & vbNullChar)
CheckEqual LBound(a), 0, "GetMultiSZ lower bound"
CheckEqual UBound(a), 3, "one element more than NULs"
CheckEqual a(1), "b", "second element"
a = Array("x", "y")
s = r.ToMultiSZ(a)
CheckEqual s, "x" & vbNullChar & "y" & vbNullChar & vbNullChar, "ToMultiSZ"
On Error Resume Next : a = r.GetMultiSZ(String(32768, vbNullChar)) : KeepError : On Error GoTo 0
CheckError 6, "Kelzud10.clsKelzudRegHand1A", "GetMultiSZ with too many NULs"

' Closing by number and by table key.
r.CloseKey h
CheckEqual r.Count, 1, "CloseKey by number removes the automatic entry"
CheckEqual r.Item("_H" & Hex(h)), -1, "entry gone"
r.CloseKey "nokey"
CheckEqual r.Count, 1, "CloseKey of an unknown table key does nothing"
r.CloseKey "Second"
CheckEqual r.Count, 0, "CloseKey by table key"
CheckEqual r.SetValue(h2, "late", "x") <> 0, True, "writing through a closed handle fails"

'' A number kept after CloseKey: another object may be given it for its own key; this object
' refuses it, so nothing written through it lands there.
Dim other, h3, k
h3 = r.OpenKey(HKCU, TestPath & "\Closed")
r.CloseKey h3
Set other = CreateObject("Kelzud10.clsKelzudRegHand1A")
For k = 1 To 64
  If other.OpenKey(HKCU, TestPath & "\Theirs") = h3 Then Exit For
Next
Check r.SetValue(h3, "stale", "x") <> 0, "writing through a number this object closed fails"
Check IsEmpty(other.GetValue(h3, "stale")), "nothing reached the key now holding that number"
Set other = Nothing

' Names the registry cannot hold (a value name over 16,383 characters, a key name over 255)
' are refused: they never reach the key's default value or the key itself.
h = r.OpenKey(HKCU, TestPath)
r.SetValue h, "", "default"
Check r.SetValue(h, String(65536, "v"), "overwritten") <> 0, "a value name of 65,536 characters"
r.DeleteValue h, String(65536, "v")
CheckEqual r.GetValue(h, ""), "default", "the default value is untouched"
CheckEqual r.OpenKey(h, String(65536, "k")), -1, "a key name of 65,536 characters"
r.DeleteKey h, String(65536, "k")
' DeleteKey without a subkey name (an unset variable, empty or blank text) deletes nothing.
Dim unset
r.DeleteKey h, unset
r.DeleteKey h, ""
r.DeleteKey h, "   "
CheckEqual r.GetValue(h, ""), "default", "the key survives DeleteKey without a name"
r.DeleteKey h, "Closed"
r.DeleteKey h, "Theirs"
r.CloseKey h

' The dependent classes are not creatable.
For Each cls In Array("clsKelzudRegHand1KeyA", "clsKelzudRegHand1KeysA", "clsKelzudRegHand1ValueA", "clsKelzudRegHand1ValuesA")
  On Error Resume Next : Set v = CreateObject("Kelzud10." & cls) : KeepError : On Error GoTo 0
  CheckError 429, "", cls & " by identifier"
Next

' Clean up.
h = r.OpenKey(HKCU, "Software\Kelzud10Tests")
r.DeleteKey h, "registry_object_vbs"
CheckEqual r.OpenKey(HKCU, TestPath, True), -1, "test key removed"
Set r = Nothing
Finish
