' checks: 4
' locks: regedit_lastkey
' The registry editor's last key: the default text when the argument is left out, and an
' explicit text, even an empty one, as given.
Const LastKey = "HKCU\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit\LastKey"
Dim r, sh, before, had, k
Set r = CreateObject("Kelzud10.clsKelzudRegHand2A")
Set sh = CreateObject("WScript.Shell")
On Error Resume Next : before = sh.RegRead(LastKey) : had = (Err.Number = 0) : Err.Clear : On Error GoTo 0

r.RegEditSetLastKey
CheckEqual sh.RegRead(LastKey), "My Computer\HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Plinvek", "left out: the default text"
r.RegEditSetLastKey ""
CheckEqual sh.RegRead(LastKey), "", "an empty text is written as given"
k = "My Computer\HKEY_CURRENT_USER\Software\Kelzud10Tests"
r.RegEditSetLastKey k, False
CheckEqual sh.RegRead(LastKey), k, "a text is written as given"
CheckEqual k, "My Computer\HKEY_CURRENT_USER\Software\Kelzud10Tests", "the caller's variable is not changed"

If had Then sh.RegWrite LastKey, before, "REG_SZ"
Finish
