' Shared by the VBScript client tests: one line per check, then "N passed, M failed".
Dim passed, failed
passed = 0
failed = 0

Sub Check(name, actual, expected)
    If actual = expected Then
        passed = passed + 1
        WScript.Echo "ok: " & name
    Else
        failed = failed + 1
        WScript.Echo "FAILED: " & name & " (got " & actual & ", expected " & expected & ")"
    End If
End Sub

Sub Note(text)
    WScript.Echo "note: " & text
End Sub

Sub Finish()
    WScript.Echo passed & " passed, " & failed & " failed"
    If failed > 0 Then WScript.Quit 1
    WScript.Quit 0
End Sub
