' checks: 17
' Variables passed to by-reference parameters keep their value and their type unless the
' member changes them.
Dim dir, f, h, a, s, k, v, bp, r, t, n, d

dir = TempFolder()
f = dir & "\byref.ini"
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
h.Path = f
h.Section = "S"
h.Key = "K"

' A number given to a String parameter stays a number.
a = 5
h.Value = a
CheckEqual VarType(a), vbInteger, "type of a after Value let"
CheckEqual a + a, 10, "a + a after Value let"
Check Not (a > 10), "a > 10 after Value let"
CheckEqual h.Value, "5", "the value was written"

s = 1 : k = 2 : v = 3
r = h.WriteINIFileValue(f, s, k, v)
CheckEqual VarType(s), vbInteger, "type of the section variable"
CheckEqual VarType(k), vbInteger, "type of the key variable"
CheckEqual VarType(v), vbInteger, "type of the value variable"
CheckEqual s + k + v, 6, "sum of the three after the write"
CheckEqual VarType(f), vbString, "type of the path variable"
CheckEqual h.ReadDetailsINIFileValue(f, "1", "2"), "3", "the value was written"

' Other types survive too: a Double, a Boolean, a Date given to String or Long parameters.
d = 2.5
n = h.CLngDefault(d)
CheckEqual VarType(d), vbDouble, "type of a Double given to CLngDefault"
CheckEqual d, 2.5, "value of that Double"
t = True
n = h.CLngDefault("x", t)
CheckEqual VarType(t), vbBoolean, "type of a Boolean default given to CLngDefault"
CheckEqual n, -1, "CLngDefault with True as its default"

' A code without an action leaves every argument as it was.
bp = 7
r = h.Pals(44, bp)
CheckEqual VarType(bp), vbInteger, "type of bp after Pals"
CheckEqual bp + bp, 14, "bp + bp after Pals"

' What a member does change still reaches the caller, in the parameter's type.
t = "a" & Chr(0) & "b"
h.Value = t
CheckEqual t, "ab", "NULs taken out of the caller's variable"

Set h = Nothing
CreateObject("Scripting.FileSystemObject").DeleteFolder dir, True
Finish
