' checks: 33
' A most-recently-used list as an application keeps it between runs.
Const App = "Kelzud10Tests services_mru_vbs"
Const StoreKey = "HKCU\Software\VB and VBA Program Settings\Kelzud10Tests services_mru_vbs\"
Dim m, m2, sh, arr, i, keep

Set sh = CreateObject("WScript.Shell")
Set m = CreateObject("Kelzud10.clsKelzudMRUA")
CheckEqual m.MaxNum, 10, "MaxNum starts at 10"
CheckEqual m.Child, "MRU", "Child"
CheckEqual m.Prefix, "MRU", "Prefix"
CheckEqual m.AppParent, "", "AppParent"
m.AppParent = App
m.ClearAppParent

CheckEqual m.Num, 0, "a fresh list is empty"
CheckEqual m.Last, "", "Last of an empty list"
keep = Array("mine")
arr = keep
m.GetArray arr
CheckEqual arr(0), "mine", "GetArray leaves the caller's array as it was"

m.MaxNum = 3
m.Save "A"
CheckEqual sh.RegRead(StoreKey & "MRU\MRUNum"), "1", "count in the store"
CheckEqual sh.RegRead(StoreKey & "MRU\MRU1"), "A", "entry in the store"
m.Save "B"
m.Save "C"
m.Save "D"
m.GetArray arr
CheckEqual LBound(arr), 1, "the array starts at 1"
CheckEqual UBound(arr), 3, "three entries"
CheckEqual arr(1) & arr(2) & arr(3), "DCB", "newest first, the oldest dropped"
m.Save "B"
m.GetArray arr
CheckEqual arr(1) & arr(2) & arr(3), "BDC", "a listed text moves to the top"
CheckEqual m.Num, 3, "Num"
CheckEqual m.Last, "B", "Last"

' A second object on the same application sees the same list.
Set m2 = CreateObject("Kelzud10.clsKelzudMRUA")
m2.AppParent = App
CheckEqual m2.Last, "B", "the list lives in the store"
m2.Last = "Z"
CheckEqual m.Last, "Z", "Last let writes the first entry"
CheckEqual m.Num, 3, "and leaves the count"

' Texts with the characters of paths and lists.
m.Save "C:\dir\a;b|c=d, e"
CheckEqual m.Last, "C:\dir\a;b|c=d, e", "separator characters are kept"

' A longer stored list than MaxNum is cut to MaxNum by the next Save.
m.MaxNum = 2
On Error Resume Next : m.Save "new" : KeepError : On Error GoTo 0
CheckError 0, "", "Save with a longer stored list"
CheckEqual m.Num, 2, "the list is cut to MaxNum"
' A count stored as a number or a negative text stands for the entries present.
m.MaxNum = 10
m.Clear
m.Save "first" : m.Save "second"
sh.RegWrite StoreKey & "MRU\MRUNum", 2, "REG_DWORD"
m.Save "after dword"
CheckEqual m.Num, 3, "a DWORD count: the two entries kept"
sh.RegWrite StoreKey & "MRU\MRUNum", "-1", "REG_SZ"
CheckEqual m.Num, 3, "a negative count reads as the entries present"
m.Save "after negative"
CheckEqual m.Num, 4, "a negative count: the three entries kept"
' MaxNum 0 or negative: error 9, nothing written.
m.MaxNum = 2
m.MaxNum = 0
On Error Resume Next : m.Save "new" : KeepError : On Error GoTo 0
CheckError 9, "", "Save with MaxNum 0"
m.MaxNum = -5
On Error Resume Next : m.Save "new" : KeepError : On Error GoTo 0
CheckError 9, "", "Save with a negative MaxNum"
On Error Resume Next : m.MaxNum = 40000 : KeepError : On Error GoTo 0
CheckError 6, "", "MaxNum is an Integer"
CheckEqual m.Num, 4, "the list is unchanged"

' Another prefix in the same section.
m.MaxNum = 10
m.Prefix = "File"
m.Save "f.txt"
CheckEqual sh.RegRead(StoreKey & "MRU\FileNum"), "1", "FileNum"
CheckEqual sh.RegRead(StoreKey & "MRU\File1"), "f.txt", "File1"

m.Clear
CheckEqual m.Num, 0, "Num after Clear"
m.Clear
Check True, "Clear of a missing section raises nothing"
m.ClearAppParent
m.ClearAppParent
On Error Resume Next : i = sh.RegRead(StoreKey) : KeepError : On Error GoTo 0
CheckError -2147024894, "", "the application is gone from the store (file not found)"
Finish
