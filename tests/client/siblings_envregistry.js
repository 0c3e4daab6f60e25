// checks: 13
// The environment registry component: one value named by ClassKey, SectionKey and ValueKey.
var reg = new ActiveXObject("Kelzud11.clsKelzudENVRegistryA");
var sh = new ActiveXObject("WScript.Shell");
var key = "Software\\Kelzud10Tests\\siblings_envregistry_js";

checkEqual(reg.ClassKey, -2147483646, "local machine root by default");
reg.ClassKey = -2147483647;
reg.SectionKey = key;
reg.ValueKey = "Path";
checkEqual(reg.SectionKey, key, "SectionKey");
checkEqual(reg.ValueKey, "Path", "ValueKey");
checkEqual(reg.Value, "", "absent value reads empty");

reg.Value = "C:\\One";
checkEqual(reg.Value, "C:\\One", "read back");
checkEqual(sh.RegRead("HKCU\\" + key + "\\Path"), "C:\\One", "stored in the registry");
reg.Value = reg.Value + ";%SystemRoot%\\Two";
checkEqual(reg.Value, "C:\\One;%SystemRoot%\\Two", "appended, references kept as written");

// A second object sees the same value; a name with a NUL is refused for writing.
var other = new ActiveXObject("KELZUD11.CLSKELZUDENVREGISTRYA");
other.ClassKey = -2147483647;
other.SectionKey = key;
other.ValueKey = "Path";
checkEqual(other.Value, "C:\\One;%SystemRoot%\\Two", "second object");
other.ValueKey = "Pa\0th";
checkEqual(other.Value, "", "name with NUL reads nothing");
var e = checkThrows(function () { other.Value = "x"; }, 5, "name with NUL");
if (e) checkEqual(e.description.length > 0, true, "description given");

checkEqual(sh.Run("reg delete \"HKCU\\" + key + "\" /f", 0, true), 0, "clean-up");
reg.ValueKey = "Path";
checkEqual(reg.Value, "", "gone after clean-up");
finish();
