' locks: key_container
' checks: 163
' The provider cipher suite as a script calls it: all 25 methods, both conversions, hex rules,
' and in-place file encryption with the attribute rules.
Dim c, m, enc, dec, text, dir, fso, f, path, key, ok, hidden, i

Set c = CreateObject("Kelzud10.clsKelzudCryptographyA")
text = "Grüße aus Kelzud, 1234567890!" & Chr(0) & Chr(128) & Chr(255)

For m = 0 To 24
  enc = c.StringCryptography(0, text, "secret", m, 1)
  CheckEqual c.StringCryptography(1, enc, "secret", m, 1), text, "hex round trip, method " & m
  CheckEqual enc, UCase(enc), "upper-case hex, method " & m
  CheckEqual c.StringCryptography(1, LCase(enc), "secret", m, 1), text, "lower-case hex accepted, method " & m
  enc = c.StringCryptography(0, text, "secret", m, 0)
  CheckEqual c.StringCryptography(1, enc, "secret", m, 0), text, "raw round trip, method " & m
  If c.m_EncDec_Algorithm = 26625 Then
    CheckEqual Len(enc), Len(text), "RC4 keeps the length, method " & m
  Else
    CheckEqual Len(enc), (Len(text) \ 8 + 1) * 8, "block length, method " & m
  End If
Next
CheckEqual c.sProvider, "Microsoft Enhanced Cryptographic Provider v1.0" & Chr(0), "provider of the last method"
CheckEqual c.m_Hash_Algorithm, 32772, "hash of the last method"
CheckEqual c.m_EncDec_Algorithm, 26121, "cipher of the last method"

' Defaults: method 0 and hex output.
Set c = CreateObject("Kelzud10.clsKelzudCryptographyA")
CheckEqual Len(c.StringCryptography(, "")), 16, "empty text with the defaults: one block in hex"
CheckEqual c.m_EncDec_Algorithm, 26114, "method 0 uses RC2"
CheckEqual c.StringCryptography(0, "", "pw", 19), "", "empty text with RC4"
Set c = CreateObject("Kelzud10.clsKelzudCryptographyA")
CheckEqual c.StringCryptography(0, "abc", "pw", 25), "", "method 25 on a fresh object"

' The key of the last call goes on serving the Do... members.
enc = c.StringCryptography(0, "reuse", "pw", 18, 0)
key = c.lHSessionKey
CheckEqual c.DoEncryptString(key, "reuse"), enc, "DoEncryptString with the call's key"
CheckEqual c.InBuffer, "reuse", "InBuffer"
CheckEqual c.DoDecryptString(key, enc), "reuse", "DoDecryptString"
CheckEqual c.OutBuffer, "reuse", "OutBuffer"
CheckEqual c.DoEncryptString(12345, "x"), "", "a handle that is no key gives nothing"

' A key number kept after the next call replaced its key names nothing from then on, on either
' architecture: it never reaches the newer key.
Dim oldKey
c.StringCryptography 0, "x", "pw", 5, 1
oldKey = c.lHSessionKey
enc = c.StringCryptography(0, "", "pw2", 19, 0)
Check c.lHSessionKey <> oldKey, "a new key gets a new number"
CheckEqual c.DoEncryptString(oldKey, "secret"), "", "the replaced key's number is refused"
CheckEqual c.DoDecryptString(c.lHSessionKey, c.DoEncryptString(c.lHSessionKey, "secret")), "secret", "the new key serves"

' Wrong password: block ciphers give nothing.
enc = c.StringCryptography(0, "secret", "right", 21)
CheckEqual c.StringCryptography(1, enc, "wrong", 21), "", "wrong password"

' Not hexadecimal: type mismatch.
On Error Resume Next : dec = c.StringCryptography(1, "XYZ", "pw", 19, 1) : KeepError : On Error GoTo 0
CheckError 13, "", "invalid hex"
CheckEqual Len(c.StringCryptography(1, "ABC", "pw", 19, 1)), 2, "odd-length hex: the last digit is a byte"

' DoEncryptString of an object: Nothing is 91, an object without a text form 13.
Call c.StringCryptography(0, "x", "pw", 5)
On Error Resume Next : dec = c.DoEncryptString(c.lHSessionKey, Nothing) : KeepError : On Error GoTo 0
CheckError 91, "", "DoEncryptString of Nothing"
On Error Resume Next : dec = c.DoEncryptString(c.lHSessionKey, c) : KeepError : On Error GoTo 0
CheckError 13, "", "DoEncryptString of an object"

Check c.EnumCSPs Is Nothing, "EnumCSPs"
Check c.EnumCSPTypes Is Nothing, "EnumCSPTypes"
CheckEqual c.SetCSP("a", "b"), 0, "SetCSP"

' Files, in place.
Set fso = CreateObject("Scripting.FileSystemObject")
dir = TempFolder()
path = dir & "\data.txt"
Set f = fso.CreateTextFile(path, True)
f.Write "The file's text."
f.Close
fso.GetFile(path).Attributes = 1  ' read-only
CheckEqual c.FileCryptography(0, path, "pw", dir & "\unused.txt"), True, "encrypt a read-only file"
Check Not fso.FileExists(dir & "\unused.txt"), "the destination is not used"
CheckEqual fso.GetFile(path).Attributes And 1, 1, "read-only again afterwards"
CheckEqual fso.GetFile(path).Size, 24, "16 bytes become three blocks (one of padding)"
CheckEqual c.lHSessionKey, 0, "the key is destroyed"
CheckEqual c.FileCryptography(1, path, "wrong"), False, "wrong password"
CheckEqual fso.GetFile(path).Size, 24, "the file is unchanged"
CheckEqual c.FileCryptography(1, path, "pw"), True, "decrypt"
CheckEqual fso.OpenTextFile(path).ReadAll, "The file's text.", "the text is back, ending where it ended"
CheckEqual fso.GetFolder(dir).Files.Count, 1, "nothing else left in the folder"

' Do... with a key in a variable: the variable becomes 0 on success.
c.StringCryptography 0, "", "pw", 19
key = c.lHSessionKey
CheckEqual c.DoFileEncrypt(path, key), True, "DoFileEncrypt"
CheckEqual key, 0, "the caller's key variable is 0"
CheckEqual c.DoFileDecrypt(path, key), False, "no key, no decryption"

hidden = dir & "\hidden.txt"
fso.CreateTextFile(hidden, True).Write "hidden"
fso.GetFile(hidden).Attributes = 2
CheckEqual c.FileCryptography(0, hidden, "pw"), False, "a hidden file is not found"
CheckEqual c.FileCryptography(0, dir & "\missing.txt", "pw"), False, "a missing file"
fso.GetFile(hidden).Attributes = 0
fso.GetFile(path).Attributes = 0
fso.DeleteFolder dir, True

Finish
