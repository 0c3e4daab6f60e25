' Cost of one late-bound call from VBScript into a trivial member of ours (Success), against
' Wine's own Scripting.Dictionary.Exists in the same run. Each round pairs one loop of each;
' prints the ratio (ours / baseline) as min / median / max over the rounds.
Option Explicit
Const N = 200000
Const Rounds = 5
Dim h, d, i, r, t0, ours, base, round, ratios(4), sum_ours, sum_base, arch, a, b, tmp
Set h = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
Set d = CreateObject("Scripting.Dictionary")
d.Add "k", 1
arch = CreateObject("WScript.Shell").Environment("PROCESS")("PROCESSOR_ARCHITECTURE")
If UCase(arch) = "AMD64" Then arch = "x64" Else arch = "x86"
WScript.Echo "architecture: " & arch
sum_ours = 0 : sum_base = 0
For round = 0 To Rounds - 1
  t0 = Timer
  For i = 1 To N : r = h.Success : Next
  ours = Timer - t0
  t0 = Timer
  For i = 1 To N : r = d.Exists("k") : Next
  base = Timer - t0
  If base <= 0 Then base = 0.001
  ratios(round) = ours / base
  sum_ours = sum_ours + ours : sum_base = sum_base + base
Next
' Sorting five numbers in place.
For a = 0 To Rounds - 2
  For b = a + 1 To Rounds - 1
    If ratios(b) < ratios(a) Then tmp = ratios(a) : ratios(a) = ratios(b) : ratios(b) = tmp
  Next
Next
WScript.Echo "calls per loop:          " & N
WScript.Echo "clsKelzudINIFileHandler1A.Success: " & FormatNumber(sum_ours * 1E6 / N / Rounds, 3) & " us/call (mean)"
WScript.Echo "Scripting.Dictionary.Exists:       " & FormatNumber(sum_base * 1E6 / N / Rounds, 3) & " us/call (mean)"
WScript.Echo "ratio min / median / max: " & FormatNumber(ratios(0), 2) & " / " & FormatNumber(ratios(Rounds \ 2), 2) & _
  " / " & FormatNumber(ratios(Rounds - 1), 2)
