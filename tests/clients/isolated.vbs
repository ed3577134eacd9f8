' Tavlin.Util.Isolated: the Java of its objects lives in a local server process that COM
' starts for the client, so a VM that ends takes only that process with it. Run by cscript
' with harness.vbs prepended (see run-client.sh). The VM's process id, as Java gives it, says
' where a VM runs: the in-process Tavlin.Util's VM runs in this client's process.
Plan 15

Function JavaProcessId(util)
    JavaProcessId = util.statics("java.lang.ProcessHandle").current().pid()
End Function

Dim isolated, clientPid, serverPid, list, unused
Expect "CreateObject Tavlin.Util.Isolated": Set isolated = CreateObject("Tavlin.Util.Isolated"): Check isolated Is Nothing, False
Expect "the in-process VM runs in the client": clientPid = JavaProcessId(CreateObject("Tavlin.Util")): Check clientPid > 0, True
Expect "the isolated VM runs in another process": serverPid = JavaProcessId(isolated): Check serverPid <> clientPid, True
Expect "newInstance through the isolated object": Set list = isolated.newInstance("java.util.ArrayList"): Check list.size(), 0
Expect "a method call with a result": list.add "pear": list.add "fig": Check list.get(1), "fig"
Expect "a Java object passed back to the server": Check isolated.statics("java.util.Collections").max(list), "pear"
Expect "a Java exception's description": isolated.newInstance "java.util.Nope": CheckError Err.Description, "java.lang.ClassNotFoundException: java.util.Nope"
Expect "an error's number": isolated.newObject "java.util.AbstractList": CheckError Err.Number, 1001
Expect "a second isolated object shares the running server": Check JavaProcessId(CreateObject("Tavlin.Util.Isolated")), serverPid

' The server's VM ends: the call that ended it and the next call on its objects fail, and the
' client goes on to start a fresh server.
Dim again, raisedText
Expect "halt in the server fails the call": isolated.statics("java.lang.Runtime").getRuntime().halt 1: raisedText = ErrorText(): CheckError Err.Number <> 0, True
Note "the call that ended the server raised " & raisedText
Expect "a call on an object of the ended server fails": unused = list.size(): raisedText = ErrorText(): CheckError Err.Number <> 0, True
Note "the next call raised " & raisedText
Expect "a new CreateObject after the end": Set again = CreateObject("Tavlin.Util.Isolated"): Check again Is Nothing, False
Expect "the new object's VM runs in a new process": Check JavaProcessId(again) <> serverPid, True
Expect "the new VM serves calls": Check again.newObject("java.math.BigDecimal", "19.99").toString(), "19.99"

' A server ends with the release of its last object, so the next client starts another.
Dim lastPid
lastPid = JavaProcessId(again)
Set again = Nothing: Set list = Nothing: Set isolated = Nothing
Expect "a server ends with its last object": Set again = CreateObject("Tavlin.Util.Isolated"): Check JavaProcessId(again) <> lastPid, True
Set again = Nothing
Finish
