' Cost of one late-bound call from VBScript into a trivial member of ours (Success), against
' Wine's own Scripting.Dictionary.Exists in the same run. Prints the ratio (ours / baseline).
Option Explicit
Const N = 200000
Dim h, d, i, r, t0, ours, base, rounds, best_ours, best_base
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
Set d = CreateObject("Scripting.Dictionary")
d.Add "k", 1
best_ours = 1E9 : best_base = 1E9
For rounds = 1 To 3
  t0 = Timer
  For i = 1 To N : r = h.Success : Next
  ours = Timer - t0
  t0 = Timer
  For i = 1 To N : r = d.Exists("k") : Next
  base = Timer - t0
  If ours < best_ours Then best_ours = ours
  If base < best_base Then best_base = base
Next
WScript.Echo "calls per loop:          " & N
WScript.Echo "clsKelzudINIFileHandler1A.Success: " & FormatNumber(best_ours * 1E6 / N, 3) & " us/call"
WScript.Echo "Scripting.Dictionary.Exists:       " & FormatNumber(best_base * 1E6 / N, 3) & " us/call"
If best_base > 0 Then WScript.Echo "ratio (ours / baseline): " & FormatNumber(best_ours / best_base, 2)
