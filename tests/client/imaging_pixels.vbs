' checks: 18
' The colour functions as a script calls them: pixels are records a script holds and passes
' on (Wine's VBScript cannot read their fields), inspected through their colour longs; the
' functions in a loop over every grey level; overflow and refused colours as run-time errors.
Class PictureBox
  Public ScaleWidth
  Public ScaleHeight
  Public hDC
  Public Refreshed
  Public Sub Refresh()
    Refreshed = Refreshed + 1
  End Sub
End Class

Dim k, p, q, a, b, i, bad, c, pic

Set k = CreateObject("Kelzud10.clsKelzudFGIBriConA")
p = k.LongToPix(&H336699)
CheckEqual k.PixToLong(p), &H336699, "colour long round trip"

bad = 0
For i = 0 To 255
  c = k.PixToLong(k.InvertPix(k.LongToPix(i * 65793)))
  If c <> (255 - i) * 65793 Then bad = bad + 1
  If k.GetGreyPix(k.GreyscalePix(i)) <> i Then bad = bad + 1
  If k.CheckByte(i - 128) <> k.MaxB(0, i - 128) Then bad = bad + 1
Next
CheckEqual bad, 0, "inversion, grey and limits over every level"

CheckEqual k.GetGreyPix(k.NewPixel(100, 0, 0)), 22, "grey of red 100"
CheckEqual k.LinearB(0, 3, 0.5), 2, "ties to even (2)"
CheckEqual k.LinearB(0, 1, 0.5), 0, "ties to even (0)"
CheckEqual k.CheckHighByte(-7), -7, "no lower bound on the high check"

a = k.GreyscalePix(100)
b = k.GreyscalePix(255)
CheckEqual k.PixToLong(k.BlendScrn(a, b)), 200 * 65793, "screen of 100 and 255"
CheckEqual k.PixToLong(k.BlendExcl(a, b)), 155 * 65793, "exclusion of 100 and 255"
Check k.SameCol(k.TransAddPix(a, b, 1), b), "full transparency gives the second pixel"
Check k.SameCol(k.TransAddPix(a, k.GreyscalePix(20), 0), k.GreyscalePix(120)), "no transparency gives the blend"

On Error Resume Next : q = k.LightenPix(k.NewPixel(32767, 0, 0), 1) : KeepError : On Error GoTo 0
CheckError 6, "", "a channel sum past 32767 overflows"
On Error Resume Next : c = k.PixToLong(k.NewPixel(-1, 0, 0)) : KeepError : On Error GoTo 0
CheckError 5, "", "a negative channel makes no colour"

p = k.NewPixel(200, 50, 128)
q = k.Contrast(p, 10)
CheckEqual k.PixToLong(q), 190 + 256 * 60 + 65536 * 118, "contrast result"
CheckEqual k.PixToLong(p), 190 + 256 * 60 + 65536 * 118, "contrast changed the caller's pixel"

Set pic = New PictureBox
pic.ScaleWidth = 10 : pic.ScaleHeight = 10 : pic.hDC = 0 : pic.Refreshed = 0
On Error Resume Next : k.Bright 50, pic : KeepError : On Error GoTo 0
CheckError 0, "", "a surface with no device context raises nothing"
CheckEqual pic.Refreshed, 3, "refreshed after columns 0 and 10 and at the end"
pic.ScaleWidth = 25 : pic.Refreshed = 0
k.Bright 50, pic
CheckEqual pic.Refreshed, 4, "refreshed after columns 0, 10 and 20 and at the end"

On Error Resume Next : k.ShowProps "", 0 : KeepError : On Error GoTo 0
CheckError 0, "", "properties of an empty name"
Finish
