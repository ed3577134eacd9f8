' What a script call costs under a real script engine: list.size() on a proxy against a call
' of the same shape on Scripting.Dictionary (dict.Count), in the same cscript run, and
' list.size() again once the script's apartment holds a live callback object (its calls into
' Java then run on the apartment's worker while the script's thread lets Java's calls in).
' Prints the time per call of each and their ratios.
Option Explicit
Const kCalls = 20000

Dim util, list, dict, i, n, started, proxyTime, dictTime, keeper, workerTime
Class Job
    Public Sub run()
    End Sub
End Class

Set util = CreateObject("Tavlin.Util")
Set list = util.newInstance("java.util.ArrayList")
list.add "x"
Set dict = CreateObject("Scripting.Dictionary")
dict.Add "x", 1

' Both warmed up first: the first call attaches the thread and builds the class's tables.
For i = 1 To 1000: n = list.size(): n = dict.Count: Next

started = Timer
For i = 1 To kCalls: n = dict.Count: Next
dictTime = Timer - started
started = Timer
For i = 1 To kCalls: n = list.size(): Next
proxyTime = Timer - started

WScript.Echo "dict.Count      " & FormatNumber(dictTime / kCalls * 1e6, 2) & " us per call"
WScript.Echo "list.size()     " & FormatNumber(proxyTime / kCalls * 1e6, 2) & " us per call"
If dictTime > 0 Then WScript.Echo "ratio           " & FormatNumber(proxyTime / dictTime, 2)

' The Java object keeps the script object's wrapper, and so the apartment's callback, alive.
Set keeper = util.implement("java.lang.Runnable", New Job)
For i = 1 To 1000: n = list.size(): Next
started = Timer
For i = 1 To kCalls: n = list.size(): Next
workerTime = Timer - started
WScript.Echo "list.size() with a live callback " & FormatNumber(workerTime / kCalls * 1e6, 2) & " us per call"
If proxyTime > 0 Then WScript.Echo "ratio with a callback / without " & FormatNumber(workerTime / proxyTime, 2)
