' A 64-bit client with only the i686 tavlin.dll registered (in the 32-bit registry view, with a
' 32-bit Java): COM serves Tavlin.Util from the 32-bit system surrogate, dllhost.exe, through
' the AppID's DllSurrogate, and Tavlin.Util.Isolated from the 32-bit tavlinhost.exe. Run by
' the 64-bit cscript with harness.vbs prepended (see tests/clients/run-client.sh). A 64-bit
' process cannot load the 32-bit Java: a VM that reports i386 runs in another process.
Plan 8

Dim progId, util, list
For Each progId In Array("Tavlin.Util", "Tavlin.Util.Isolated")
    Expect progId & " from a 32-bit server": Set util = CreateObject(progId): Check util.statics("java.lang.System").getProperty("os.arch"), "i386"
    Expect progId & ": a call with a result": Set list = util.newInstance("java.util.ArrayList"): list.add "pear": list.add "fig": Check list.get(1), "fig"
    Expect progId & ": a proxy handed back is its Java object": Check util.statics("java.util.Collections").max(list) & " " & list.equals(list), "pear True"
    Expect progId & ": a Java exception's description": util.newInstance "java.util.Nope": CheckError Err.Description, "java.lang.ClassNotFoundException: java.util.Nope"
Next
Set list = Nothing
Set util = Nothing
Finish
