' checks: 17
' GetCurrentOSVer of the global run-time class, with and without its by-reference arguments.
Dim rt, text, parts, a, b, c, d, f

Set rt = CreateObject("KELZUD10.clsKelzud10RunTimeA")
text = rt.GetCurrentOSVer()
CheckEqual TypeName(text), "String", "result type"
parts = Split(text, ".")
CheckEqual UBound(parts), 1, "major, full stop, minor: " & text
Check IsNumeric(parts(0)) And IsNumeric(parts(1)), "both parts are numbers: " & text
Check CLng(parts(0)) > 0, "major version above 0: " & text

' Both arguments receive the numbers, as Integers.
a = Empty : b = Empty
CheckEqual rt.GetCurrentOSVer(a, b), text, "text with both arguments"
CheckEqual TypeName(a), "Integer", "major type"
CheckEqual TypeName(b), "Integer", "minor type"
CheckEqual a & "." & b, text, "arguments match the text"

' Only the first, or only the second.
c = 0
CheckEqual rt.GetCurrentOSVer(c), text, "text with the major only"
CheckEqual c, CInt(parts(0)), "major only"
CheckEqual rt.GetCurrentOSVer(, f), text, "text with the minor only"
CheckEqual f, CInt(parts(1)), "minor only"

' In parentheses the variables are passed by value and keep their contents.
c = 99 : d = 98
CheckEqual rt.GetCurrentOSVer((c), (d)), text, "text with values"
CheckEqual c, 99, "major passed by value unchanged"
CheckEqual d, 98, "minor passed by value unchanged"

' A Long variable is written back as the number.
c = CLng(-5)
rt.GetCurrentOSVer c
CheckEqual c, CInt(parts(0)), "Long variable written back"

' Any letter case of the identifier makes the same class.
CheckEqual CreateObject("kelzud10.CLSKELZUD10RUNTIMEA").GetCurrentOSVer(), text, "other letter case"
Finish
