' checks: 18
' Scheduled jobs as a script submits them. No job is ever scheduled here: the texts that are
' out of range stop the call before the scheduler is asked, and the one submission that goes
' out names a computer that does not exist (Wine's own scheduler does not answer either; the
' call turns that into a status instead of ending the script).
Dim t, sh, computer, id, status, localName

Set t = CreateObject("Kelzud10.clsKELZUDTasksA")
Set sh = CreateObject("WScript.Shell")
' Wine's ExpandEnvironmentStrings leaves a NUL at the end.
localName = Replace(sh.ExpandEnvironmentStrings("%COMPUTERNAME%"), Chr(0), "")

' Times, days of the month and day lists that are out of range raise their errors.
Dim cases, c
cases = Array( _
  Array("M,W,F", "25:61", 13, "hour and minute out of range"), _
  Array("M", "", 13, "no time"), _
  Array("32", "14:30", 6, "day 32 has no bit"), _
  Array("1,15,32", "14:30", 6, "day 32 in a list"), _
  Array("1,,15", "14:30", 13, "an empty day"), _
  Array("15,0", "14:30", 5, "day 0"))
For Each c In cases
  computer = "" : id = -1
  On Error Resume Next : status = t.AddNetScheduleJob(computer, c(0), c(1), "cmd /c rem", id) : KeepError : On Error GoTo 0
  CheckError c(2), "Kelzud10.clsKELZUDTasksA", c(3)
  CheckEqual id, -1, c(3) & ": no job number"
Next
' The empty computer name was replaced by the local one before the texts were read.
CheckEqual UCase(computer), UCase(localName), "the local computer's name in the caller's variable"

' A computer that does not exist: the scheduler's failure is the status, nothing is raised.
computer = "KZ-NO-SUCH-HOST" : id = -1
status = t.AddNetScheduleJob(computer, "M,W,F", "14:30", "cmd /c rem", id, False, True)
Check status <> 0, "a failing status, got " & status
CheckEqual TypeName(status), "Long", "the status is a Long"
CheckEqual id, -1, "no job number"
CheckEqual computer, "KZ-NO-SUCH-HOST", "a given name is kept"

' With a task name the job file is renamed; after a failed submission there is none.
On Error Resume Next : status = t.AddNetScheduleJob(computer, "1,15", "2:30 PM", "cmd /c rem", id, , , "KzNightly") : KeepError : On Error GoTo 0
CheckError 53, "", "no job file to rename"
Finish
