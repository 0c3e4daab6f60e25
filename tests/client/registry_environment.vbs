' locks: machine_environment
' checks: 11
' Environment variables as a script sets and reads them: the user's scope (so the machine's
' environment stays as it was), one leading reference, defaults, and the errors.
Dim e, sh, v, n
Set e = CreateObject("Kelzud10.clsKelzudEnvironmentVarA")
Set sh = CreateObject("WScript.Shell")

On Error Resume Next : e.EnvironmentSet "KZT_CLIENT_ENV", "C:\Base", False : KeepError : On Error GoTo 0
CheckError 0, "", "set for the user"
CheckEqual e.EnvironmentGetAPI("KZT_CLIENT_ENV"), "C:\Base", "set in the process"
CheckEqual sh.RegRead("HKCU\Environment\KZT_CLIENT_ENV"), "C:\Base", "stored in the user's environment"
n = "KZT_CLIENT_REF"
e.EnvironmentSet n, "%KZT_CLIENT_ENV%\bin", False
CheckEqual e.EnvironmentGet(n), "C:\Base\bin", "one leading reference resolved"
CheckEqual e.EnvironmentGet(n, "", False), "%KZT_CLIENT_ENV%\bin", "the text as stored"
CheckEqual e.EnvironmentGet("KZT_CLIENT_NONE", "fallback"), "fallback", "the default for a variable not set"
CheckEqual e.EnvironmentGetAPI("KZT_CLIENT_NONE"), "", "no default given"
e.EnvironmentSet "KZT_CLIENT_OPEN", "%unclosed", False
On Error Resume Next : v = e.EnvironmentGet("KZT_CLIENT_OPEN") : KeepError : On Error GoTo 0
CheckError 9, "Kelzud10.clsKelzudEnvironmentVarA", "a reference without its closing percent sign"
On Error Resume Next : e.EnvironmentSet "KZT=BAD", "x", False : KeepError : On Error GoTo 0
CheckError 0, "", "a name with an equals sign: nothing raised"
CheckEqual e.EnvironmentGetAPI("KZT"), "", "and nothing set"
On Error Resume Next : e.EnvironmentSet "", "x", False : KeepError : On Error GoTo 0
CheckError 0, "", "an empty name: nothing raised"

On Error Resume Next
sh.RegDelete "HKCU\Environment\KZT_CLIENT_ENV"
sh.RegDelete "HKCU\Environment\KZT_CLIENT_REF"
sh.RegDelete "HKCU\Environment\KZT_CLIENT_OPEN"
On Error GoTo 0
Finish
