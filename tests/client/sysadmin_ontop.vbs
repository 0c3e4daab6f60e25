' checks: 7
' The topmost helper as a script calls it, without a display: objects that have no window,
' or a handle that names none, are ignored and the result is Empty.
Class FormWithoutHandle
  Public Caption
End Class
Class FormWithHandle
  Public hWnd
End Class

Dim w, f, g, v

Set w = CreateObject("Kelzud10.clsKelzudWinOnTopA")
Set f = New FormWithoutHandle
On Error Resume Next : v = w.PutWindowOnTop(f) : KeepError : On Error GoTo 0
CheckError 0, "", "an object without hWnd raises nothing"
Check IsEmpty(v), "the result is Empty"
Set g = New FormWithHandle
g.hWnd = 0
On Error Resume Next : v = w.PutWindowOnTop(g) : KeepError : On Error GoTo 0
CheckError 0, "", "a handle that names no window"
Check IsEmpty(v), "still Empty"
g.hWnd = "not a number"
On Error Resume Next : v = w.PutWindowOnTop(g) : KeepError : On Error GoTo 0
CheckError 0, "", "a handle that is no number"
Set g = Nothing
On Error Resume Next : v = w.PutWindowOnTop(g) : KeepError : On Error GoTo 0
CheckError 0, "", "no object at all"
Check IsEmpty(v), "Empty again"
Finish
