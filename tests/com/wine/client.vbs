' A late-bound client: creates the utility object by each of its ProgIDs and calls
' newInstance. cscript reports nothing for a script error, so every error is caught here and
' printed with its number.
Option Explicit
Dim progid, util, proxy
For Each progid In Array("Tavlin.Util", "Tavlin.TavlinUtil", "Tavlin.TavlinUtil.1")
    On Error Resume Next
    Err.Clear
    Set util = CreateObject(progid)
    If Err.Number <> 0 Then
        WScript.Echo progid & ": CreateObject error " & Hex(Err.Number)
    Else
        Set proxy = util.newInstance(WScript.Arguments(0))
        If Err.Number <> 0 Then
            WScript.Echo progid & ": newInstance error " & Hex(Err.Number)
        Else
            WScript.Echo progid & ": newInstance gave " & TypeName(proxy)
        End If
    End If
    On Error GoTo 0
Next
