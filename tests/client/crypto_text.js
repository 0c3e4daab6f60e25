// locks: key_container
// checks: 12
// Text beyond Latin-1 through the crypto classes, from JScript.
var md5 = new ActiveXObject("Kelzud10.clsKelzudGRegKeyMD5A");
checkEqual(md5.MD5(String.fromCharCode(0x141)), md5.MD5("A"), "U+0141 hashes as its low byte");
checkEqual(md5.MD5("abc"), "900150983cd24fb0d6963f7d28e17f72", "MD5 of abc");

var a = new ActiveXObject("Kelzud10.clsKelzudCryptographyA");
var enc = a.StringCryptography(0, "\u4e00\u00e9", "pw", 21, 1);
checkEqual(a.StringCryptography(1, enc, "pw", 21, 1), "?\u00e9", "a character outside the code page comes back as ?");
checkEqual(a.StringCryptography(0, "x", "pw", 21, 1).length, 16, "hex of one block");

var c = new ActiveXObject("Kelzud10.clsKelzudCryptographyC");
var e = c.Encrypt("Gr\u00fc\u00dfe", "Schl\u00fcssel", true, 2);
checkEqual(e.length, 10, "stream cipher: five bytes in hex");
checkEqual(c.Decrypt(e, "Schl\u00fcssel", true, 2), "Gr\u00fc\u00dfe", "round trip");
var err = checkThrows(function () { c.Encrypt("", "k"); }, 0x0427, "empty text");
if (err) checkEqual(err.description, "Both a string and a key are required", "description");

var g = new ActiveXObject("Kelzud10.clsKelzudGUIDA");
check(/^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$/.test(g.CreateGUID(true)), "GUID with braces");
check(/^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$/.test(g.CreateGUID()), "GUID without braces");

var b = new ActiveXObject("Kelzud10.clsKelzudCryptographyB");
checkEqual(b.CryptSalsana("AAAAAA", "xx"), "ACFDE?", "password cipher worked example");
checkEqual(b.DeCryptSalsana("ACFDE?", "xx"), "AAAAAA", "and back");

finish();
