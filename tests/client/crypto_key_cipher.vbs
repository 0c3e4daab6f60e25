' locks: key_container
' checks: 17
' The key-derived cipher as a script calls it: optional arguments, hex text and its errors.
Dim c, enc, dec, t

Set c = CreateObject("Kelzud10.clsKelzudCryptographyC")

enc = c.Encrypt("Hello world", "my key")
CheckEqual Len(enc), 16, "block cipher by default: 11 characters become 16"
CheckEqual c.Decrypt(enc, "my key"), "Hello world", "raw round trip"

enc = c.Encrypt("Hello world", "my key", True)
CheckEqual Len(enc), 32, "hex text of 16 bytes"
CheckEqual enc, UCase(enc), "hex digits are upper case"
CheckEqual c.Decrypt(enc, "my key", True), "Hello world", "hex round trip"

enc = c.Encrypt("Hello world", "my key", True, 2)
CheckEqual Len(enc), 22, "stream cipher keeps the length"
CheckEqual c.Decrypt(enc, "my key", True, 2), "Hello world", "stream round trip"

t = "12345678"
CheckEqual Len(c.Encrypt(t, "k", False, 1)), 16, "eight characters give two blocks"

On Error Resume Next : t = c.Encrypt("", "k", False, 3) : KeepError : On Error GoTo 0
CheckError -2147220440, "cyKELZUDCryptography.Encrypt", "type is checked first"
On Error Resume Next : t = c.Encrypt("", "k") : KeepError : On Error GoTo 0
CheckError -2147220441, "cyKELZUDCryptography.Encrypt", "empty text"
On Error Resume Next : t = c.Decrypt("abc", "") : KeepError : On Error GoTo 0
CheckError -2147220441, "cyKELZUDCryptography.Decrypt", "empty key"
On Error Resume Next : t = c.Decrypt("0a", "k", True, 2) : KeepError : On Error GoTo 0
Check kzErrDescription = "Not a valid hex string", "description of a bad hex string"
CheckError -2147220442, "cyKELZUDCryptography.ConvertStringFromHex", "lower-case hex"
On Error Resume Next : t = c.Decrypt("0A0", "k", True, 2) : KeepError : On Error GoTo 0
CheckError -2147220442, "cyKELZUDCryptography.ConvertStringFromHex", "odd-length hex"
On Error Resume Next : t = c.Decrypt("0A", "k", True, 2) : KeepError : On Error GoTo 0
CheckError 0, "", "upper-case hex is accepted"
On Error Resume Next : t = c.Decrypt(c.Encrypt("secret text", "right", True), "wrong", True) : KeepError : On Error GoTo 0
Check kzErrDescription = "Could not decrypt data", "description of a failed decryption"
CheckError -2147220443, "cyKELZUDCryptography.EncryptDecrypt", "wrong key for the block cipher"

Finish
