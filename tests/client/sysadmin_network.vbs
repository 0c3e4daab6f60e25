' checks: 21
' Network domains and the adapter address as a script reads them, from Wine's own network
' interfaces: no network provider (so no domains), and NetBIOS answering for adapter 0.
Class ListControl
  Public Count
  Public Items
  Private Sub Class_Initialize()
    Count = 0
    Items = ""
  End Sub
  Public Sub AddItem(text)
    Count = Count + 1
    Items = Items & text & "|"
  End Sub
End Class

Dim w, list, ctl, n, i, expected, e, lana, addr, dec, k

Set w = CreateObject("Kelzud10.clsKelzudWNetwA")
list = w.EnumDomains()
Check IsArray(list), "an array"
CheckEqual LBound(list), 1, "indexed from 1"
n = UBound(list)
Check n >= 0, "an upper bound of 0 or more"
expected = ""
For i = 1 To n
  CheckEqual TypeName(list(i)), "String", "element " & i
  expected = expected & list(i) & "|"
Next
Set ctl = New ListControl
w.GetDomains ctl
CheckEqual ctl.Count, n, "one AddItem per domain"
CheckEqual ctl.Items, expected, "in the order of the list"
If n = 0 Then
  Dim none
  Set none = Nothing
  On Error Resume Next : w.GetDomains none : KeepError : On Error GoTo 0
  CheckError 0, "", "nothing to add needs no list control"
End If

' The adapter address: twelve upper-case hexadecimal digits, its bytes in decimal appended to
' EnetAddressDec, and the status facts with their types.
Set e = CreateObject("Kelzud10.clsKelzudEthernetAddressA")
Check IsEmpty(e.AdapterType) And IsEmpty(e.EnetAddressDec), "empty at creation"
lana = 0
addr = e.EthernetAddress(lana)
CheckEqual Len(addr), 12, "twelve digits: " & addr
CheckEqual addr, UCase(addr), "upper case"
dec = ""
For k = 0 To 5
  dec = dec & CLng("&H" & Mid(addr, 2 * k + 1, 2))
Next
CheckEqual e.EnetAddressDec, dec, "the bytes in decimal without separators"
CheckEqual TypeName(e.AdapterType), "Byte", "adapter type"
CheckEqual TypeName(e.NameCount), "Integer", "name count"
CheckEqual TypeName(e.RevMajor), "Byte", "major revision"
CheckEqual TypeName(e.RevMinor), "Byte", "minor revision"
CheckEqual e.EthernetAddress(lana), addr, "the same address again"
CheckEqual e.EnetAddressDec, dec & dec, "a second call appends the decimal text again"

' An adapter number without an adapter reads as zeros.
e.EnetAddressDec = ""
lana = 200
CheckEqual e.EthernetAddress(lana), "000000000000", "no adapter"
CheckEqual e.EnetAddressDec, "000000", "six zero bytes"
CheckEqual e.AdapterType, 0, "no adapter type"

' The properties take what the client lets.
e.AdapterType = "x"
CheckEqual e.AdapterType, "x", "let and get"
e.NameCount = 12
CheckEqual e.NameCount, 12, "a number"
Finish
