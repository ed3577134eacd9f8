' Shared by the VBScript client tests. A script declares its number of checks first (Plan n);
' each check then opens with Expect and closes with Check (or CheckError for statements that
' must raise), usually on one line:
'     Expect "name": <statements>: Check actual, expected
' Under On Error Resume Next a statement whose call raises is skipped whole, arguments and all,
' so a check whose call raises never reaches its Check: the next Expect (or Finish) finds it
' still open and fails it with the error that skipped it, and an error raised between checks
' fails too. The closing line, "P passed, F failed, N planned", lets the runner see failures and
' checks that never ran alike. The harness's own procedures read Err before anything else and
' never turn error handling on themselves, which would clear it.
On Error Resume Next
Dim planned, passed, failed, openCheck
planned = 0
passed = 0
failed = 0
openCheck = ""

' The ProgIDs a client makes its utility object by: Tavlin.Util's, or those TAVLIN_CLIENT_PROGIDS
' names (run-client.sh sets the isolated class's, to run the same checks against a VM in the
' class's local server).
Function UtilProgIds()
    Dim named
    ' Wine's WScript.Shell counts the terminating null in the text it gives.
    named = Replace(CreateObject("WScript.Shell").ExpandEnvironmentStrings("%TAVLIN_CLIENT_PROGIDS%"), Chr(0), "")
    If named = "%TAVLIN_CLIENT_PROGIDS%" Then named = "Tavlin.Util Tavlin.TavlinUtil Tavlin.TavlinUtil.1"
    UtilProgIds = Split(named, " ")
End Function

Function UtilProgId()
    Dim named
    named = UtilProgIds()
    UtilProgId = named(0)
End Function

Sub Plan(count)
    planned = count
End Sub

Sub Expect(name)
    SettleOpenCheck
    openCheck = name
End Sub

' Closes the open check: an error raised since Expect fails it, otherwise actual must equal expected.
Sub Check(actual, expected)
    If Raised() Then
        Conclude False, "raised " & ErrorText()
    ElseIf actual = expected Then
        Conclude True, ""
    Else
        Conclude False, "got " & actual & ", expected " & expected
    End If
End Sub

' Closes an open check whose statements must raise; actual is read from Err by the caller.
Sub CheckError(actual, expected)
    If Not Raised() Then
        Conclude False, "raised no error, expected " & expected
    ElseIf actual = expected Then
        Conclude True, ""
    Else
        Conclude False, "raised " & ErrorText() & ", expected " & expected
    End If
End Sub

' Prints what a script observes without asserting it: behaviour that is the engine's, not the bridge's.
Sub Note(text)
    WScript.Echo "note: " & text
End Sub

' A script that passed runs to its end, where the engine releases the script's objects: an
' isolated server ends with the last of them (Wine's COM never ends one whose client just
' quits: it does not ping clients).
Sub Finish()
    SettleOpenCheck
    WScript.Echo passed & " passed, " & failed & " failed, " & planned & " planned"
    If failed > 0 Or passed + failed <> planned Then WScript.Quit 1
End Sub

' A check still open here was cut short by an error (a skipped statement, or a comparison that
' raised) or never closed; an error with no check open was raised between checks. Each fails.
Sub SettleOpenCheck()
    If openCheck <> "" Then
        If Raised() Then
            Conclude False, "raised " & ErrorText() & " before its Check concluded"
        Else
            Conclude False, "was never closed by a Check"
        End If
    ElseIf Raised() Then
        openCheck = "a statement between checks"
        Conclude False, "raised " & ErrorText()
    End If
End Sub

' An error with a description but no number (an EXCEPINFO that carries only a wCode, which
' Wine's engines read as Err.Number 0) has raised too.
Function Raised()
    Raised = Err.Number <> 0 Or Err.Description <> ""
End Function

Function ErrorText()
    ErrorText = "error " & Err.Number & " (0x" & Hex(Err.Number) & "): " & Err.Description
End Function

Sub Conclude(succeeded, why)
    If openCheck = "" Then
        openCheck = "a Check with no Expect before it"
        succeeded = False
        why = "every check opens with Expect"
    End If
    If succeeded Then
        passed = passed + 1
        WScript.Echo "ok: " & openCheck
    Else
        failed = failed + 1
        WScript.Echo "FAILED: " & openCheck & " (" & why & ")"
    End If
    openCheck = ""
    Err.Clear
End Sub
