' What a VBScript author does with the bridge, check by check. Run by cscript with
' harness.vbs prepended (see run-script.sh).
On Error Resume Next

Dim progId, util
For Each progId In Array("Tavlin.Util", "Tavlin.TavlinUtil", "Tavlin.TavlinUtil.1")
    Err.Clear
    Set util = CreateObject(progId)
    Check "CreateObject " & progId, Err.Number, 0
Next

Dim calc, list, map
Err.Clear
Set calc = util.newInstance("fixtures.Calculator")
Check "newInstance of a fixture class", Err.Number, 0
Set list = util.newInstance("java.util.ArrayList")
Check "newInstance of a JDK class (dots)", Err.Number, 0
Set map = util.newInstance("java/util/HashMap")
Check "newInstance of a JDK class (slashes)", Err.Number, 0

' Arguments of every kind.
Check "Integer arguments", calc.add(2, 3), 5
Check "Long arguments", calc.add(CLng(100000), CLng(2)), 100002
Check "Double to a long parameter", calc.widen(2.9), 2
Check "String argument", calc.concat("vb"), "<vb>"
Check "Boolean argument", calc.typeOf(True), "java.lang.Boolean"
Check "Date argument", calc.typeOf(DateSerial(2000, 1, 1)), "java.util.Date"
Check "Empty argument", calc.typeOf(Empty), "null"
Check "Null argument", calc.typeOf(Null), "null"
Check "object argument", calc.typeOf(list), "java.util.ArrayList"
Dim byRefNumber, byRefText
byRefNumber = 20
byRefText = "ref"
Check "number variable by reference", calc.add(byRefNumber, byRefNumber), 40
Check "string variable by reference", calc.concat(byRefText), "<ref>"

' Overloads and statics.
Check "overload chosen for a number", calc.describe(7), "int:7"
Check "overload chosen for a string", calc.describe("s"), "String:s"
Check "static method", calc.twice(21), 42

' Results of every Java type.
Check "boolean result", VarType(calc.yes()), vbBoolean
Check "int result", TypeName(calc.intValue()), "Long"
Check "long result", TypeName(calc.big()), "Double"
Check "long result value", calc.big(), 4294967297
Check "double result", calc.pi(), 3.25
Check "float result", TypeName(calc.half()), "Single"
Check "short result", TypeName(calc.shortValue()), "Integer"
Check "String result", TypeName(calc.concat("x")), "String"
Check "Date result", TypeName(calc.epochDate()), "Date"
Check "void result", IsEmpty(calc.nothing()), True
Check "null result", IsEmpty(calc.nothingThere()), True
Check "object result", TypeName(calc.graph()), "Object"
Err.Clear
Dim oneByte
oneByte = calc.minusOne()
Note "a Java byte comes back as VT_I1: VarType " & VarType(oneByte) & ", error " & Err.Number
Err.Clear
Dim oneChar
oneChar = calc.letterA()
Note "a Java char comes back as VT_UI2: VarType " & VarType(oneChar) & ", error " & Err.Number
Err.Clear

' An object graph: a HashMap of ArrayLists.
Check "walking a graph", calc.graph().get("letters").get(0), "x"
Check "graph size", calc.graph().get("letters").size(), 2
map.put "k", list
list.add "first"
Check "a map of lists built from script", map.get("k").get(0), "first"

' Arrays both ways.
Dim words
words = calc.words()
Check "String[] comes back as an array", UBound(words), 2
Check "String[] element", words(0), "alpha"
Check "null element is Empty", IsEmpty(words(1)), True
Dim numbers, bounds
numbers = calc.range(4)
Check "int[] comes back as a safe array of Long", VarType(numbers), vbArray + vbLong
Err.Clear
bounds = UBound(numbers) & "/" & LBound(numbers)
Note "UBound/LBound of an int[] (VT_ARRAY|VT_I4): " & bounds & ", error " & Err.Number
Err.Clear
bounds = numbers(3)
Note "reading an element of an int[] from script: " & bounds & ", error " & Err.Number
Err.Clear
Check "Array() to Object[]", Left(CreateObject("Tavlin.Util").newInstance("fixtures.Sink").takeObjectArray(Array(1, "two", 3.5)), 8), "Object[]"
Dim grid(1, 2)
grid(1, 2) = 6
Check "Dim a(1,2) to Object", calc.typeOf(grid), "[[Ljava.lang.Object;"
Check "int[] round trip", calc.sum(numbers), 6
Err.Clear
Dim fromScript
fromScript = calc.sum(Array(1, 2, 3))
Note "Array() for an int[] parameter: " & Err.Description
Err.Clear

' Java exceptions and wrong calls.
calc.fail "boom"
Check "Java exception raises an error", Err.Number <> 0 Or Err.Description <> "", True
Check "Java exception message", Err.Description, "boom"
Note "Err.Number for a Java exception (wCode 1001, no scode): " & Err.Number
Err.Clear
calc.add 1
Check "wrong argument count", Err.Description, "Invalid number of arguments."
Err.Clear
calc.noSuchMethod
Check "unknown method", Err.Number <> 0, True
Err.Clear

' Proxies made and released in a loop.
Dim i, made, ok
ok = True
For i = 1 To 10000
    Set made = util.newInstance("java.lang.StringBuilder")
    If made Is Nothing Then ok = False
    If i Mod 1000 = 0 Then
        made.append i
        If made.length() <> Len(CStr(i)) Then ok = False
    End If
    Set made = Nothing
Next
Check "10000 proxies made and released", ok, True

Finish
