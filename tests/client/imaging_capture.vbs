' checks: 10
' Capture and printing as a script calls them: the screen into a picture, the picture printed
' through a printer object of the script's own, and the errors of bad arguments.
Class FakePrinter
  Public Orientation
  Public ScaleMode
  Public ScaleWidth
  Public ScaleHeight
  Public Painted
  Private Sub Class_Initialize()
    ScaleMode = 1 : ScaleWidth = 1440 : ScaleHeight = 1440 : Painted = Empty
  End Sub
  ' Twips (1) and HIMETRIC (8) only.
  Function ScaleX(v, fromMode, toMode)
    If fromMode = 1 And toMode = 8 Then
      ScaleX = v * 2540 / 1440
    ElseIf fromMode = 8 And toMode = 1 Then
      ScaleX = v * 1440 / 2540
    Else
      ScaleX = v
    End If
  End Function
  Function ScaleY(v, fromMode, toMode)
    ScaleY = ScaleX(v, fromMode, toMode)
  End Function
  Sub PaintPicture(pic, x, y, w, h)
    Painted = Array(x, y, w, h)
  End Sub
End Class

Dim cap, pic, prn, ratio
Set cap = CreateObject("Kelzud10.clsKelzudWinCaptureA")
Set pic = cap.CaptureScreen()
CheckEqual pic.Type, 1, "a bitmap picture"
Check pic.Handle <> 0, "with a bitmap"
CheckEqual pic.hPal, 0, "and no palette on a true-colour display"
Check pic.Width > pic.Height, "the screen is wider than high: " & pic.Width & " x " & pic.Height

Set prn = New FakePrinter
cap.PrintPictureToFitPage prn, pic
CheckEqual prn.Orientation, 2, "a wide picture turns the page to landscape"
ratio = pic.Width / pic.Height
Check Abs(prn.Painted(2) - 1440) < 0.001 And Abs(prn.Painted(3) - 1440 / ratio) < 0.001, _
  "full width, height by the picture's shape: " & prn.Painted(2) & " x " & prn.Painted(3)
CheckEqual prn.Painted(0) + prn.Painted(1), 0, "painted at the page's origin"

On Error Resume Next : Set pic = cap.CaptureForm(Nothing) : KeepError : On Error GoTo 0
CheckError 91, "Kelzud10.clsKelzudWinCaptureA", "no form"
On Error Resume Next : cap.PrintPictureToFitPage prn, prn : KeepError : On Error GoTo 0
CheckEqual kzErrNumber, 13, "a printer is not a picture"
Set pic = cap.CaptureActiveWindow()
CheckEqual pic.Type, 1, "the active window as a bitmap picture"
Finish
