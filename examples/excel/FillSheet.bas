Attribute VB_Name = "FillSheet"
' tavlin in Excel: fills the active sheet from a Java list. Import this module (in the VBA
' editor: File > Import File), then run FillSheetFromJava (Alt+F8). The bitness of Excel
' decides which tavlin.dll and which Java runtime it uses: 32-bit Office needs the x86 DLL
' registered and a 32-bit Java.
Option Explicit

Public Sub FillSheetFromJava()
    Dim util As Object, list As Object, collections As Object
    Set util = CreateObject("Tavlin.Util")

    Set list = util.newInstance("java.util.ArrayList")
    Dim fruit As Variant
    For Each fruit In Array("pear", "apple", "fig", "cherry", "banana")
        list.Add fruit
    Next
    Set collections = util.newInstance("java.util.Collections")
    collections.sort list

    ' A Java array comes back as an array of Variants: one column of cells takes it at once.
    Dim items As Variant, sheet As Worksheet
    items = list.toArray()
    Set sheet = ActiveSheet
    sheet.Range("A1").Value = "Fruit"
    sheet.Range("A2").Resize(UBound(items) + 1, 1).Value = Application.WorksheetFunction.Transpose(items)

    ' A Java exception reaches VBA as an ordinary run-time error with the Java message.
    On Error Resume Next
    list.subList 3, 1
    If Err.Number <> 0 Then sheet.Range("C1").Value = "subList(3, 1) failed: " & Err.Description
End Sub
