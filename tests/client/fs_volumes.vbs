' checks: 19
' locks: cdrom_drive
' The drive-volume and CD-ROM classes as a script calls them, on the prefix's own drives (it has
' no CD-ROM drive): empty answers, untouched by-reference variables, serial numbers as Longs.
Dim dv, cd, n, s, v, d, sn

Set dv = CreateObject("Kelzud10.clsKelzudDriveVolumeA")
Set cd = CreateObject("Kelzud10.clsKelzudCDromA")

' No CD-ROM drive: the caller's count and letters stay as they were.
n = 5 : s = "ab"
v = dv.GetDriveDesc(n, s)
Check IsEmpty(v), "GetDriveDesc returns Empty"
CheckEqual n, 5, "the count is not reset"
CheckEqual s, "ab", "the letters are not reset"
v = cd.GetDriveDesc(n, s)
Check IsEmpty(v), "GetDriveDesc of the CD-ROM class returns Empty"
CheckEqual n, 5, "still the same count"
CheckEqual s, "ab", "still the same letters"

CheckEqual dv.GetFirstDriveCDNo(), "0", "GetFirstDriveCDNo reads an empty root"
CheckEqual cd.GetFirstDriveCDVolume(), "", "GetFirstDriveCDVolume without a CD-ROM drive"
CheckEqual cd.GetFirstCDDriveLetter(), "", "GetFirstCDDriveLetter without a CD-ROM drive"
CheckEqual cd.GetCDRomLetter(), "", "GetCDRomLetter without a CD-ROM drive"

' The Windows drive: one serial number from both classes, the drive text untouched.
d = "C:\"
sn = dv.GetSerialNumber(d)
CheckEqual TypeName(sn), "Long", "the serial number is a Long"
CheckEqual cd.GetSerialNumber(d), sn, "both classes read the same serial number"
CheckEqual d, "C:\", "the drive argument is not changed"
CheckEqual Len(dv.GetSerialLabel(d)), 255, "the label buffer holds 255 characters"

' Drives that are not there read as 0; neither class raises for them.
d = "1:\"
CheckEqual dv.GetSerialNumber(d), 0, "a drive letter that is no letter"
On Error Resume Next : sn = cd.GetSerialNumber(d) : KeepError : On Error GoTo 0
CheckError 0, "", "the CD-ROM class reads it without an error"
CheckEqual sn, 0, "and answers 0"
CheckEqual Left(dv.GetSerialLabel(d), 1), Chr(0), "an unreadable drive leaves the label buffer empty"

' A count that is no number is refused by the argument's type.
n = "many"
On Error Resume Next : v = cd.GetDriveDesc(n, s) : KeepError : On Error GoTo 0
CheckError 13, "", "a count that is no number"
Finish
