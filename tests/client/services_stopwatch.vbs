' checks: 9
' The stopwatch as a script times its work.
Dim s, s2, a, b, lo, hi

Set s = CreateObject("Kelzud10.clsKelzudStopwatchA")
lo = s.MinimumResolution
hi = s.MaximumResolution
CheckEqual TypeName(lo), "Long", "MinimumResolution is a Long"
Check lo >= 1, "MinimumResolution: " & lo
Check lo <= hi, "MinimumResolution " & lo & " is not above MaximumResolution " & hi

s.Reset
a = s.Elapsed
CheckEqual TypeName(a), "Long", "Elapsed is a Long"
Check a >= 0 And a < 200, "Elapsed right after Reset: " & a
Pause 150
b = s.Elapsed
Check b >= 140, "Elapsed after a pause of 150 ms: " & b
Check b >= a, "Elapsed never decreases"
s.Reset
Check s.Elapsed < b, "Reset starts again"

' Objects are independent.
Set s2 = CreateObject("Kelzud10.clsKelzudStopwatchA")
Pause 50
Check s.Elapsed >= s2.Elapsed, "the older stopwatch shows more"
Set s2 = Nothing
Set s = Nothing
Finish
