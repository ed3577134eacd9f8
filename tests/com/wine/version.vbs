' Prints the file version that the library's version record gives Windows.
On Error Resume Next
WScript.Echo CreateObject("Scripting.FileSystemObject").GetFileVersion(WScript.Arguments(0))
If Err.Number <> 0 Then WScript.Echo "GetFileVersion error " & Hex(Err.Number)
