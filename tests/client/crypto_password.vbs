' locks: key_container
' checks: 14
' The password text cipher as a script calls it: the password variable comes back as the key number.
Dim c, pw, enc, dec, pw2

Set c = CreateObject("Kelzud10.clsKelzudCryptographyB")

pw = "xx"  ' code sum 240: key number 4
enc = c.CryptSalsana("AAAAAA", pw)
CheckEqual enc, "ACFDE?", "worked example"
CheckEqual pw, 4, "the password variable holds the key number"
CheckEqual TypeName(pw), "Double", "the key number is a Double"

pw2 = "x" & Chr(120)
dec = c.DeCryptSalsana(enc, pw2)
CheckEqual dec, "AAAAAA", "decrypted with a fresh copy of the password"
CheckEqual pw2, 4, "DeCryptSalsana also replaces the password"

' The same variable again: now it holds 4, whose text "4" gives key number 0.
dec = c.DeCryptSalsana(enc, pw)
CheckEqual pw, 0, "key number of the text 4"
Check dec <> "AAAAAA", "reusing the variable decrypts with another key"

' A password passed in parentheses stays the caller's.
pw = "xx"
enc = c.CryptSalsana("AAAAAA", (pw))
CheckEqual pw, "xx", "password in parentheses is not changed"

' Empty text, empty password.
pw = ""
CheckEqual c.CryptSalsana("", pw), "", "empty text"
CheckEqual pw, 0, "empty password gives 0"

' A long password drops characters that leave the byte range.
pw = String(80, Chr(120))  ' 9600: key number 160
enc = c.CryptSalsana("AAAAAA", pw)
CheckEqual Len(enc), 3, "characters out of range are dropped"
CheckEqual pw, 160, "key number 160"

' No error for values without text.
pw = "xx"
On Error Resume Next : enc = c.CryptSalsana(Null, pw) : KeepError : On Error GoTo 0
CheckError 0, "", "Null text raises nothing"
CheckEqual enc, "", "Null text gives an empty result"

Finish
