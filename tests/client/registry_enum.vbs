' checks: 50
' Enumerating keys and values from a script: For Each over the collections, default members,
' the value objects, a script object as the buddy that follows an enumeration, and errors.
Const HKCU = &H80000001
Const TestPath = "Software\Kelzud10Tests\registry_enum_vbs"
Dim r, h, keys, k, vals, v, names, kids, n, b, parent

Class Buddy
  Public Keys
  Public Values
  Public StopAfter
  Public Owner
  Private Sub Class_Initialize()
    Keys = "" : Values = "" : StopAfter = 0
  End Sub
  Public Sub czKELZUDRegHand1_KeyEnumerated(RegKey, HasChildren)
    Keys = Keys & RegKey & "=" & HasChildren & ";"
    If StopAfter > 0 Then
      StopAfter = StopAfter - 1
      If StopAfter = 0 Then Owner.AbortEnum
    End If
  End Sub
  Public Sub czKELZUDRegHand1_ValueEnumerated(Value)
    Values = Values & "[" & Value.ValueName & "]"
  End Sub
End Class

Class KeysOnlyBuddy
  Public Sub czKELZUDRegHand1_KeyEnumerated(RegKey, HasChildren)
  End Sub
End Class

Set r = CreateObject("Kelzud10.clsKelzudRegHand1A")
h = r.OpenKey(HKCU, TestPath)
Check h <> -1, "test key opened"
r.CloseKey r.OpenKey(h, "Alpha")
r.CloseKey r.OpenKey(h, "Beta\Child")
r.CloseKey r.OpenKey(h, "Gamma")
r.SetValue h, "", "the default"
r.SetValue h, "text", "hello"
r.SetValue h, "byte", 7
r.SetValue h, "dword", 100000
r.SetValue h, "list", Array("a", "bc")

' Keys, with For Each and the default members.
Set keys = r.enumKeys(h)
CheckEqual keys.Count, 3, "three subkeys"
CheckEqual keys.Handle, h, "collection handle"
names = "" : kids = ""
For Each k In keys
  names = names & k & ","
  If k.HadChildrenOnEnum Then kids = kids & k.KeyName
  CheckEqual k.Handle, 0, "key handle from an enumeration"
  Check k.Parent Is keys, "key's parent is the collection"
  Check k.Values Is Nothing, "no values listed"
Next
CheckEqual Len(names), Len("Alpha,Beta,Gamma,"), "all names seen"
Check InStr(names, "Beta,") > 0, "Beta listed"
CheckEqual kids, "Beta", "only Beta has children"
parent = Split(names, ",")
CheckEqual keys(1).KeyName, parent(0), "Item is the default member"

' Values.
Set vals = r.EnumValues(h)
CheckEqual vals.Count, 6, "default entry, then the five values (the default value again among them)"
CheckEqual vals.ParentKey, h, "ParentKey"
Set v = vals("(default)")
CheckEqual v.Default, True, "(default) entry"
CheckEqual v.Value, "the default", "(default) data"
CheckEqual v.ValueName, "", "(default) has no name"
CheckEqual vals("text").Value, "hello", "text value"
CheckEqual vals("text").TypeWord, "SZ", "TypeWord"
CheckEqual vals("text").TypeWord(True), "String", "TypeWord friendly"
CheckEqual vals("text").Size, 5, "Size of text"
CheckEqual TypeName(vals("byte").Value), "Byte", "small number read back as a Byte"
CheckEqual vals("byte").Size, 1, "Size of a Byte"
CheckEqual vals("dword").Value, 100000, "dword"
CheckEqual vals("dword").TypeWord(True), "DWord", "dword TypeWord"
parent = vals("list").Value
CheckEqual parent(1), "bc", "multi-string element"
CheckEqual vals("list").Size, 2, "multi-string size: first element times count"
n = 0
For Each v In vals
  n = n + 1
  If v.ValueName = "text" Then v.Value = "changed"
Next
CheckEqual n, 6, "For Each over the values"
CheckEqual r.GetValue(h, "text"), "changed", "assigning Value writes the registry"
vals("text").AutoSet = False
vals("text").Value = "not written"
CheckEqual r.GetValue(h, "text"), "changed", "with AutoSet off nothing is written"
vals("text").SetValue
CheckEqual r.GetValue(h, "text"), "not written", "SetValue writes on request"
CheckEqual r.GetKeyObject(h, True).Values.Count, 6, "GetKeyObject with values"
Check r.GetKeyObject(h).Values Is Nothing, "GetKeyObject without values"

' A script object as the buddy: it follows the enumeration and can stop it.
Set b = New Buddy
Set b.Owner = r
Set r.BuddyObject = b
Set keys = r.enumKeys(h, True)
CheckEqual Len(b.Keys) - Len(Replace(b.Keys, ";", "")), 3, "buddy saw three keys"
Check InStr(b.Keys, "Beta=True;") > 0, "buddy got the children flag"
Check InStr(b.Keys, "Alpha=False;") > 0, "buddy got the flag for a key without children"
r.EnumValues h, True, False, True
CheckEqual Left(b.Values, 2), "[]", "buddy saw the default entry first"
Check InStr(b.Values, "[text]") > 0, "buddy saw the named values"
b.Keys = "" : b.StopAfter = 1
Set keys = r.enumKeys(h, True)
CheckEqual keys.Count, 1, "AbortEnum from the buddy stops after the first key"
CheckEqual Len(b.Keys) - Len(Replace(b.Keys, ";", "")), 1, "one announcement before the stop"

' Errors.
Set r.BuddyObject = New KeysOnlyBuddy
On Error Resume Next : Set vals = r.EnumValues(h, True) : KeepError : On Error GoTo 0
CheckError 438, "", "buddy without the value method"
On Error Resume Next : Set keys = r.enumKeys(h, False, False, True) : KeepError : On Error GoTo 0
CheckError 10029, "RegLib.RegistryObject", "suppressing events and the result"
On Error Resume Next : Set keys = r.enumKeys(h, False, False, True) : KeepError : On Error GoTo 0
CheckEqual kzErrDescription, "Cannot suppress events and return nothing.", "10029 description"
Set r.BuddyObject = Nothing
Set keys = r.enumKeys(h)
' Wine's VBScript drops errors of default-member calls, so Item is named here.
On Error Resume Next : Set k = keys.Item("nokey") : KeepError : On Error GoTo 0
CheckError 5, "", "Item of an absent key"
On Error Resume Next : Set k = keys.Item(99) : KeepError : On Error GoTo 0
CheckError 9, "", "Item of an absent position"

' Clean up.
Set keys = Nothing : Set vals = Nothing : Set v = Nothing : Set k = Nothing
r.DeleteKey h, "Alpha"
r.DeleteKey h, "Beta\Child"
r.DeleteKey h, "Beta"
r.DeleteKey h, "Gamma"
r.CloseKey h
h = r.OpenKey(HKCU, "Software\Kelzud10Tests")
r.DeleteKey h, "registry_enum_vbs"
CheckEqual r.OpenKey(HKCU, TestPath, True), -1, "test key removed"
Finish
