// checks: 11
// Creation by programmatic identifier from JScript, and errors with number and description.
var ini = new ActiveXObject("KELZUD10.CLSKELZUDINIFILEHANDLER1A");
check(ini != null, "created in capitals");
var root = new ActiveXObject("Kelzud10.VQ_KELZUD10");
root.m_clsKelzudINIFileHandler1A = ini;  // JScript assigns object properties with put
check(root.m_clsKelzudINIFileHandler1A != null, "root slot holds the instance");

var e = checkThrows(function () { new ActiveXObject("Kelzud10.clsKelzudRegHand1KeyA"); }, 429, "dependent class");
e = checkThrows(function () { new ActiveXObject("Kelzud10.clsKelzudNoSuchClass"); }, 429, "unknown class");

var empty = new ActiveXObject("Kelzud10.clsKelzudShellA");
checkThrows(function () { empty.Anything(); }, 438, "empty class has no members");

var dir = tempFolder();
ini.Path = dir + "\\a.ini";
ini.Section = "S";
ini.Key = "K";
ini.Value = "v";
checkEqual(ini.Success, true, "Boolean reaches JScript as true");
checkEqual(ini.Value, "v", "value");
checkEqual(ini.CLngDefault("x", 3), 3, "optional argument given");
checkEqual(ini.CLngDefault("41"), 41, "optional argument left out");
var big = new Array(40001).join("y");
big = big.substr(0, 39000) + "\0" + big.substr(39001);
e = checkThrows(function () { ini.Value = big; }, 6, "overflow");
if (e) {
  checkEqual(e.description, "Overflow", "description");
}
new ActiveXObject("Scripting.FileSystemObject").DeleteFolder(dir, true);
finish();
