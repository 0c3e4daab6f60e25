' locks: keyboard
' checks: 7
' The keyboard class's calls as a script makes them; what reaches a window is tested from C++
' on a virtual display. No key is left down: every press here is released.
Dim k, caps, num, scroll, t0, took, keyLeft

Set k = CreateObject("Kelzud10.clsKelzudKeyboardA")
caps = 5 : num = 5 : scroll = 5
k.GetLockStatus caps, num, scroll
CheckEqual TypeName(caps), "Boolean", "caps lock state is a Boolean"
CheckEqual TypeName(num), "Boolean", "num lock state is a Boolean"
CheckEqual TypeName(scroll), "Boolean", "scroll lock state is a Boolean"

t0 = Timer
k.PressString ""
took = Timer - t0
Check took < 0.5, "an empty string sends nothing"
t0 = Timer
k.PressString "abc", False
took = Timer - t0
Check took >= 0.055, "three characters take at least 60 ms: " & took

keyLeft = 37
k.PressKeyVK keyLeft
k.PressKeyVK keyLeft, True
k.PressKeyVK keyLeft, False, True
k.PressKey "q", True
k.PressKey "q", False, True
k.PressKey ""

On Error Resume Next : k.PressKeyVK 256 : KeepError : On Error GoTo 0
CheckError 6, "Kelzud10.clsKelzudKeyboardA", "a virtual key above 255"
On Error Resume Next : k.PressKeyVK (-1) : KeepError : On Error GoTo 0
CheckError 6, "", "a negative virtual key"
Finish
