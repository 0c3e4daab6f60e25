' locks: key_container
' checks: 15
' GUID text and MD5 digests as a setup script uses them.
Dim g, t, b, m, s, re

Set re = New RegExp
re.Pattern = "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"

Set g = CreateObject("Kelzud10.clsKelzudGUIDA")
t = g.CreateGUID()
Check re.Test(t), "CreateGUID without argument: [" & t & "]"
b = g.CreateGUID(True)
CheckEqual Len(b), 38, "length with braces"
CheckEqual Left(b, 1) & Right(b, 1), "{}", "braces"
Check re.Test(Mid(b, 2, 36)), "GUID inside the braces: [" & b & "]"
Check re.Test(g.CreateGUID(False)), "CreateGUID(False) has no braces"
Check g.CreateGUID() <> t, "each call makes a new GUID"

' The class name in other letter case is the same class.
Set g = CreateObject("KELZUD10.CLSKELZUDGUIDA")
Check re.Test(g.CreateGUID), "created by the upper-case identifier"

Set m = CreateObject("Kelzud10.clsKelzudGRegKeyMD5A")
CheckEqual m.MD5(""), "d41d8cd98f00b204e9800998ecf8427e", "MD5 of the empty string"
CheckEqual m.MD5("abc"), "900150983cd24fb0d6963f7d28e17f72", "MD5 of abc"
CheckEqual m.MD5("message digest"), "f96b697d7cb7938d525a2f31aaf161d0", "MD5 of message digest"
CheckEqual m.MD5(Chr(233)), "3406877694691ddd1dfb0aca54681407", "MD5 of a Latin-1 character"
s = "unchanged"
CheckEqual Len(m.MD5(s)), 32, "digest length"
CheckEqual s, "unchanged", "the message variable is not changed"
s = String(100000, "x")
CheckEqual m.MD5(s), LCase(m.MD5(s)), "long text digest is lower case"
CheckEqual Len(m.MD5(s)), 32, "long text digest length"

Finish
