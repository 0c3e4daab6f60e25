' The registry object, the ciphers and digests, and the runtime, as an application would use them.
Option Explicit
Dim i, reg, h, v, t, key, values, val, rt, major, minor, guid, md5, b, c, pw, enc, a
Const HKCU = &H80000001

WScript.Echo ""
WScript.Echo "== Registry object"
Set reg = CreateObject("Kelzud10.clsKelzudRegHand1A")
h = reg.OpenKey(HKCU, "Software\Kelzud10Demo\Registry")
reg.SetValue h, "Name", "Kelzud10"
reg.SetValue h, "Count", 300
reg.SetValue h, "Small", 200
reg.SetValue h, "Paths", Array("C:\One", "C:\Two")
WScript.Echo "Open keys: " & reg.Count & ", handle " & h
v = reg.GetValue(h, "Count", , t)
WScript.Echo "Count = " & v & " (registry type " & t & ")"
v = reg.GetValue(h, "Small", , t)
WScript.Echo "Small = " & v & " (registry type " & t & ", one byte)"
v = reg.GetValue(h, "Paths")
WScript.Echo "Paths (" & (UBound(v) + 1) & " strings) = " & v(0) & "; " & v(1)
Set values = reg.EnumValues(h)
For Each val In values
  If val.ValueName <> "" Then WScript.Echo "  value " & val.ValueName & " (" & val.TypeWord & ", " & val.Size & " bytes)"
Next
reg.CloseKey h
reg.DeleteKey HKCU, "Software\Kelzud10Demo\Registry"
reg.DeleteKey HKCU, "Software\Kelzud10Demo"

WScript.Echo ""
WScript.Echo "== Digests, GUIDs and ciphers"
Set md5 = CreateObject("Kelzud10.clsKelzudGRegKeyMD5A")
WScript.Echo "MD5(""abc"") = " & md5.MD5("abc")
Set guid = CreateObject("Kelzud10.clsKelzudGUIDA")
WScript.Echo "New GUID: " & guid.CreateGUID(True)
Set c = CreateObject("Kelzud10.clsKelzudCryptographyC")
enc = c.Encrypt("Setup secret", "key", True)
WScript.Echo "Block cipher, hex: " & enc & " -> " & c.Decrypt(enc, "key", True)
Set a = CreateObject("Kelzud10.clsKelzudCryptographyA")
enc = a.StringCryptography(0, "Provider text", "pw")
WScript.Echo "Provider cipher (default method), hex: " & enc
WScript.Echo "  decrypted: " & a.StringCryptography(1, enc, "pw")
Set b = CreateObject("Kelzud10.clsKelzudCryptographyB")
pw = "password"
enc = b.CryptSalsana("AAAAAA", pw)
WScript.Echo "Password cipher: " & enc & " (the password variable now holds the key number " & pw & ")"

WScript.Echo ""
WScript.Echo "== Runtime"
Set rt = CreateObject("Kelzud10.clsKelzud10RunTimeA")
WScript.Echo "OS version: " & rt.GetCurrentOSVer(major, minor) & " (major " & major & ", minor " & minor & ")"
