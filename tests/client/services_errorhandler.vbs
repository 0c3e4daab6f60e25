' checks: 4
' The error handler's message for a script's Err object and application object.
Class App
  Public Title
End Class

Dim fso, rt, dir, logfile, previous, h, a, r, text

Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
dir = TempFolder()
logfile = dir & "\boxes.log"
previous = rt.EnvironGet(1, "KELZUD10_UNATTENDED")
rt.EnvironSet 1, "KELZUD10_UNATTENDED", logfile

Set h = CreateObject("Kelzud10.clsKelzudErrorHandlerA")
Set a = New App
a.Title = "My App"
' The script's own error 53 is what the handler reports; it stays in the script's Err.
On Error Resume Next : Err.Raise 53 : r = h.ZUDErrorHandler(a, Err, "Form1.Load", , 16) : KeepError : On Error GoTo 0
CheckEqual kzErrNumber, 53, "the caller's error object is left as it was"
On Error Resume Next : h.ZUDErrorHandler a : KeepError : On Error GoTo 0
CheckError 91, "", "no error object"
CheckEqual IsEmpty(r), True, "the result is empty"

rt.EnvironSet 1, "KELZUD10_UNATTENDED", previous
text = fso.OpenTextFile(logfile).ReadAll()
CheckEqual text, "16" & vbTab & "My App" & vbTab & "Error 53 , File not found in Form1.Load" & vbCrLf, "one box with the style and title"
fso.DeleteFolder dir, True
Finish
