' checks: 11
' The debugger as the library calls it: AppObj set by reference, then AddDebugMessage with all
' arguments by reference; messages go to the file named by RUVO10_DEBUGLOG.
Dim fso, rt, d, app, dir, logfile, previous, tag, kind, obj, level, text, fields

Set fso = CreateObject("Scripting.FileSystemObject")
Set rt = CreateObject("KELZUD11.clsKelzud11RunTimeA")
dir = TempFolder()
logfile = dir & "\debug.log"
previous = rt.EnvironGet(1, "RUVO10_DEBUGLOG")
rt.EnvironSet 1, "RUVO10_DEBUGLOG", logfile

Set d = CreateObject("RUVO10.clsRUVODebuggerA")
Check d.AppObj Is Nothing, "no application object at first"
Set app = CreateObject("Kelzud10.clsKelzudINIFileHandler1A")
Set d.AppObj = app
Check d.AppObj Is app, "AppObj holds the object set"
tag = "in.PalsCENVVAR" : kind = "dll" : obj = "cyInifINIFilesObj" : level = 2 : text = "VQAPP - C:\App"
d.AddDebugMessage tag, kind, obj, level, text
CheckEqual level, 2, "level unchanged"
CheckEqual TypeName(level), "Integer", "level written back as an Integer"

rt.EnvironSet 1, "RUVO10_DEBUGLOG", previous
fields = Split(fso.OpenTextFile(logfile).ReadLine(), vbTab)
CheckEqual UBound(fields), 8, "nine fields"
CheckEqual fields(3), "2", "level"
CheckEqual fields(4), "in.PalsCENVVAR", "tag"
CheckEqual fields(5), "dll", "kind"
CheckEqual fields(6), "cyInifINIFilesObj", "object name"
CheckEqual fields(7), "", "application without a title"
CheckEqual fields(8), "VQAPP - C:\\App", "text with its backslash escaped"
fso.DeleteFolder dir, True
Finish
