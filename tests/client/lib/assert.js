// Assertion helpers put in front of every JScript client test. Wine's cscript exits 0 even on
// an uncaught error, so each test ends with finish(), which prints the tally the runner checks.
var kzPassed = 0, kzFailed = 0;

function check(cond, what) {
  if (cond) kzPassed++;
  else { kzFailed++; WScript.Echo("FAIL: " + what); }
}

function checkEqual(actual, expected, what) {
  if (actual === expected) kzPassed++;
  else {
    kzFailed++;
    WScript.Echo("FAIL: " + what + ": got [" + actual + "] (" + typeof actual + "), expected [" + expected + "] (" + typeof expected + ")");
  }
}

// Runs f and checks that it raises the automation error `number` (low word of e.number).
function checkThrows(f, number, what) {
  try {
    f();
    kzFailed++;
    WScript.Echo("FAIL: " + what + ": no error, expected " + number);
  } catch (e) {
    checkEqual(e.number & 0xFFFF, number, what + " (number)");
    return e;
  }
  return null;
}

function tempFolder() {
  var fso = new ActiveXObject("Scripting.FileSystemObject");
  var p = fso.GetSpecialFolder(2) + "\\" + fso.GetTempName();
  fso.CreateFolder(p);
  return p;
}

function finish() {
  WScript.Echo("TALLY: " + kzPassed + " passed, " + kzFailed + " failed");
  WScript.Quit(kzFailed > 0 ? 1 : 0);
}
