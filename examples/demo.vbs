' The tavlin demo in VBScript: Java from a script, late bound, as any automation client sees it.
On Error Resume Next
Dim util
Set util = CreateObject("Tavlin.Util")
If Err.Number <> 0 Then
    WScript.Echo "tavlin is not registered: " & Err.Description
    WScript.Quit 1
End If

WScript.Echo "VBScript: build a java.util.ArrayList and sort it with java.util.Collections"
Dim list, collections, fruit
Set list = util.newInstance("java.util.ArrayList")
If Err.Number <> 0 Then
    ' The first call starts Java: without a Java of this process's bitness, the error says
    ' where it was looked for.
    WScript.Echo "Java could not be started: " & Err.Description
    WScript.Quit 1
End If
For Each fruit In Array("pear", "apple", "fig", "cherry")
    list.add fruit
Next
WScript.Echo "  before: " & list.toString()
Set collections = util.newInstance("java.util.Collections")
collections.sort list
WScript.Echo "  after:  " & list.toString() & " (" & list.size() & " items, first is " & list.get(0) & ")"

WScript.Echo "VBScript: strings with java.lang.StringBuilder"
Dim builder
Set builder = util.newInstance("java.lang.StringBuilder")
builder.append "tavlin "
builder.append "from VBScript"
WScript.Echo "  " & builder.reverse().toString()

WScript.Echo "VBScript: compute with java.lang.Math and java.math.BigDecimal"
Dim math, price, total
' statics: the class's static methods, with no object made.
Set math = util.statics("java.lang.Math")
WScript.Echo "  Math.pow(2, 20) = " & math.pow(2, 20) & ", Math.max(3, 7) = " & math.max(3, 7)
' newObject: the constructor that takes the arguments, here BigDecimal(String).
Set price = util.newObject("java.math.BigDecimal", "19.99")
Set total = price.multiply(util.newObject("java.math.BigDecimal", "3"))
WScript.Echo "  3 x " & price.toPlainString() & " = " & total.toPlainString() & " (exact decimal arithmetic)"

WScript.Echo "VBScript: dates in and out of java.util.GregorianCalendar"
Dim calendar
Set calendar = util.newInstance("java.util.GregorianCalendar")
calendar.setTime DateSerial(2000, 1, 1) + TimeSerial(12, 0, 0)
calendar.add 6, 45
WScript.Echo "  2000-01-01 12:00 plus 45 days is " & calendar.getTime()

WScript.Echo "VBScript: catch a Java exception"
Err.Clear
list.get 99
WScript.Echo "  list.get(99) failed: " & Err.Description
