' What a VBScript author does with the bridge, check by check. Run by cscript with
' harness.vbs prepended (see run-client.sh), which says how a check is written.
Plan 102

Dim progId, util
For Each progId In UtilProgIds()
    Expect "CreateObject " & progId: Set util = Nothing: Set util = CreateObject(progId): Check util Is Nothing, False
Next

Dim calc, list, map
Expect "newInstance of a fixture class": Set calc = util.newInstance("fixtures.Calculator"): Check IsObject(calc), True
Expect "newInstance of a JDK class (dots)": Set list = util.newInstance("java.util.ArrayList"): Check list.size(), 0
Expect "newInstance of a JDK class (slashes)": Set map = util.newInstance("java/util/HashMap"): Check map.isEmpty(), True

' newObject's arguments choose the constructor; statics reaches a class's static methods.
Expect "newObject with BigDecimal(String)": Check util.newObject("java.math.BigDecimal", "19.99").add(util.newObject("java.math.BigDecimal", "0.01")).toString(), "20.00"
Expect "newObject with StringBuilder(int)": Check util.newObject("java.lang.StringBuilder", 64).capacity(), 64
Expect "newObject with File(String)": Check util.newObject("java.io.File", "name.txt").getName(), "name.txt"
Expect "newObject of a String is its text": Check util.newObject("java.lang.String", "text"), "text"
Expect "newObject of an Integer is its number": Check util.newObject("java.lang.Integer", "42") + 1, 43
Expect "newObject with no constructor argument": Check util.newObject("java.util.ArrayList").size(), 0
Expect "newObject with two constructor arguments": Check util.newObject("java.io.File", "folder", "name.txt").getName(), "name.txt"
Expect "statics of an abstract class (TypeName is the Java class, from the type information)": Check TypeName(util.statics("java.util.Calendar").getInstance()), "java.util.GregorianCalendar"
Expect "statics of UUID": Check Len(util.statics("java.util.UUID").randomUUID().toString()), 36
Expect "instance method on a class": util.statics("java.lang.Integer").intValue: CheckError Err.Description, "Instance method called on a class: intValue"
Expect "newObject of an abstract class": util.newObject "java.util.AbstractList": CheckError Err.Description, "Abstract class or interface: java.util.AbstractList"
Expect "newObject's error number is a call's": util.newObject "java.util.AbstractList": CheckError Err.Number, 1001
Expect "an object where text is wanted is its toString()": Check "total: " & util.newObject("java.math.BigDecimal", "19.99"), "total: 19.99"
Expect "a nested class named with dots": Check util.newObject("java.util.AbstractMap.SimpleEntry", "k", "v").getKey(), "k"
Dim letters: Set letters = util.newObject("java.lang.StringBuilder", "abc")
Expect "a one-letter text for a char": letters.setCharAt 0, "x": Check letters.toString(), "xbc"
Expect "a currency into a BigDecimal is exact": Check util.newObject("java.math.BigDecimal", CCur(19.99)).toString(), "19.99"
Expect "a fraction for a float beside an int": Check util.statics("fixtures.Namesakes").level(0.9), "float:0.9"
Expect "a byte beside a Java array": Check util.statics("java.util.Arrays").binarySearch(calc.range(4), CByte(2)), 2
' A Map and a List used as Scripting.Dictionary and VBA's collections are.
Dim dict, items, unused
Set dict = util.newInstance("java.util.HashMap")
Set items = util.newInstance("java.util.ArrayList")
Expect "a map's default member written, then read": dict("name") = "Ada": Check dict("name"), "Ada"
Expect "a map's Item written, then read": dict.Item("kind") = "pen": Check dict.Item("kind"), "pen"
Expect "a list's default member read": items.add "pear": Check items(0), "pear"
Expect "a list's Item written, then read": items.Item(0) = "fig": Check items.Item(0), "fig"
Expect "a misspelt member of a map stays an error": unused = dict.sise: CheckError Err.Number, 438
Expect "statics' error number is a call's": util.statics "no.such.Clazz": CheckError Err.Number, 1001
Expect "implement's error number is a call's": util.implement "java.lang.String", list: CheckError Err.Number, 1001

' Properties without parentheses: JavaBean accessors and public fields, in any case.
Dim person
Set person = util.newInstance("fixtures.Person")
Expect "a property written, then read": person.Name = "Ada": Check person.Name, "Ada"
Expect "a property named in another case": Check person.name, "Ada"
Expect "a boolean property": person.Active = True: Check person.Active, True
Expect "a public field written, then read": person.age = 41: Check person.age, 41
Expect "an object property written with Set": Set person.tag = list: Check person.tag.size(), list.size()
Expect "a static field through statics": Check util.statics("java.lang.Integer").MAX_VALUE, 2147483647
Expect "a property without a setter": person.Greeting = "x": CheckError Err.Description, "Property Greeting has no setter."
Expect "a final field": person.id = "x": CheckError Err.Description, "Field id is final."

' Arguments of every kind.
Expect "Integer arguments": Check calc.add(2, 3), 5
Expect "Long arguments": Check calc.add(CLng(100000), CLng(2)), 100002
Expect "Double to a long parameter": Check calc.widen(2.9), 2
Expect "String argument": Check calc.concat("vb"), "<vb>"
Expect "Boolean argument": Check calc.typeOf(True), "java.lang.Boolean"
Expect "Date argument": Check calc.typeOf(DateSerial(2000, 1, 1)), "java.util.Date"
Expect "Empty argument": Check calc.typeOf(Empty), "null"
Expect "Null argument": Check calc.typeOf(Null), "null"
Expect "object argument": Check calc.typeOf(list), "java.util.ArrayList"
' Object.equals is identity: a proxy handed back is its own Java object, not a copy or a wrapper.
Dim plain
Set plain = util.newInstance("java.lang.Object")
Expect "a proxy handed back is its Java object": Check plain.equals(plain) & " " & plain.equals(util.newInstance("java.lang.Object")), "True False"
Expect "a proxy stored in Java and read back is the same object": Set person.tag = plain: Check plain.equals(person.tag), True
Dim byRefNumber, byRefText
byRefNumber = 20
byRefText = "ref"
Expect "number variable by reference": Check calc.add(byRefNumber, byRefNumber), 40
Expect "string variable by reference": Check calc.concat(byRefText), "<ref>"

' Overloads and statics.
Expect "overload chosen for a number": Check calc.describe(7), "int:7"
Expect "overload chosen for a string": Check calc.describe("s"), "String:s"
Expect "static method": Check calc.twice(21), 42

' Results of every Java type. VBScript has no constants for VT_I1 (16) and VT_UI2 (18), and
' Wine's engine compares neither directly: their values are read through CLng (65 is "A").
Expect "boolean result": Check VarType(calc.yes()), vbBoolean
Expect "int result": Check TypeName(calc.intValue()), "Long"
Expect "long result": Check TypeName(calc.big()), "Double"
Expect "long result value": Check calc.big(), 4294967297
Expect "double result": Check calc.pi(), 3.25
Expect "float result": Check TypeName(calc.half()), "Single"
Expect "short result": Check TypeName(calc.shortValue()), "Integer"
Expect "byte result is VT_I1": Check VarType(calc.minusOne()), 16
Expect "byte result value": Check CLng(calc.minusOne()), -1
Expect "byte result passed back is a Byte": Check calc.typeOf(calc.minusOne()), "java.lang.Byte"
Expect "char result is VT_UI2": Check VarType(calc.letterA()), 18
Expect "char result value": Check CLng(calc.letterA()), 65
Expect "char result passed back is a Character": Check calc.typeOf(calc.letterA()), "java.lang.Character"
Expect "String result": Check TypeName(calc.concat("x")), "String"
Expect "Date result": Check TypeName(calc.epochDate()), "Date"
Expect "void result": Check IsEmpty(calc.nothing()), True
Expect "null result": Check IsEmpty(calc.nothingThere()), True
Expect "object result": Check TypeName(calc.graph()), "java.util.HashMap"

' An object graph: a HashMap of ArrayLists.
Expect "walking a graph": Check calc.graph().get("letters").get(0), "x"
Expect "graph size": Check calc.graph().get("letters").size(), 2
Expect "a map of lists built from script": map.put "k", list: list.add "first": Check map.get("k").get(0), "first"

' Arrays both ways.
Dim words
Expect "String[] comes back as an array": words = calc.words(): Check UBound(words), 2
Expect "String[] element": Check words(0), "alpha"
Expect "null element is Empty": Check IsEmpty(words(1)), True
Dim numbers, probe
Expect "int[] comes back as a safe array of Long": numbers = calc.range(4): Check VarType(numbers), vbArray + vbLong
' What the engine does with a typed array is Wine's to decide, not the bridge's: its UBound,
' LBound and indexing take only arrays of Variants.
probe = UBound(numbers) & "/" & LBound(numbers)
Note "UBound/LBound of an int[] (VT_ARRAY|VT_I4): " & probe & ", error " & Err.Number: Err.Clear
probe = numbers(3)
Note "reading an element of an int[] from script: " & probe & ", error " & Err.Number: Err.Clear
Expect "Array() to Object[]": Check Left(CreateObject(UtilProgId()).newInstance("fixtures.Sink").takeObjectArray(Array(1, "two", 3.5)), 8), "Object[]"
Dim grid(1, 2)
grid(1, 2) = 6
Expect "Dim a(1,2) to Object": Check calc.typeOf(grid), "[[Ljava.lang.Object;"
Expect "int[] round trip": Check calc.sum(numbers), 6
Expect "Array() for an int[] parameter": Check calc.sum(Array(1, 2, 3)), 6

' Java exceptions and wrong calls.
Expect "Java exception raises its message": calc.fail "boom": CheckError Err.Description, "boom"
' The bridge reports a Java exception with the scode 0x800A03E9 (error 1001 of FACILITY_CONTROL),
' which VBScript numbers 1001.
Expect "Java exception's Err.Number": calc.fail "boom": CheckError Err.Number, 1001
' newInstance fails with 0xFFFFFFFF, and its error object says why.
Expect "missing class names the class": util.newInstance "java.util.Nope": CheckError Err.Description, "java.lang.ClassNotFoundException: java.util.Nope"
Expect "missing class's Err.Number": util.newInstance "java.util.Nope": CheckError Err.Number, -1
Expect "abstract class": util.newInstance "java.util.AbstractList": CheckError Err.Description, "java.lang.InstantiationException: java.util.AbstractList"
Expect "a constructor that throws": util.newInstance "fixtures.FailingConstructor": CheckError Err.Description, "java.lang.IllegalStateException: constructor failed"
Expect "wrong argument count": calc.add 1: CheckError Err.Description, "Invalid number of arguments."
' DISP_E_UNKNOWNNAME, as VBScript numbers it.
Expect "unknown method": calc.noSuchMethod: CheckError Err.Number, 438

' For Each over Java collections: the engine asks the proxy for _NewEnum and walks what it
' gives; a map gives its keys, as Scripting.Dictionary does.
' The elements of a walk, each followed by a comma. Without error handling of its own, an
' error in the walk skips the caller's statement, which leaves its check open.
Function Walked(collection)
    Dim element, text
    text = ""
    For Each element In collection
        text = text & element & ","
    Next
    Walked = text
End Function

Function FilledWith(className)
    Dim collection
    Set collection = util.newInstance(className)
    collection.add "pear": collection.add "apple": collection.add "fig"
    Set FilledWith = collection
End Function

Dim fruit, item, prices, total, count
Set fruit = FilledWith("java.util.ArrayList")
Expect "For Each over an ArrayList": Check Walked(fruit), "pear,apple,fig,"
Expect "For Each over a TreeSet, in its order": Check Walked(FilledWith("java.util.TreeSet")), "apple,fig,pear,"
Set prices = util.newInstance("java.util.HashMap")
prices.put "pear", 1: prices.put "apple", 2: prices.put "fig", 4
Expect "For Each over a HashMap gives its keys"
total = 0
count = 0
For Each item In prices
    total = total + prices.get(item)
    count = count + 1
Next
Check count & " keys, " & total, "3 keys, 7"
Dim xmlDoc, node, texts
Set xmlDoc = util.statics("javax.xml.parsers.DocumentBuilderFactory").newInstance().newDocumentBuilder().parse(util.newObject("org.xml.sax.InputSource", util.newObject("java.io.StringReader", "<a><b>1</b><c/><b>2</b></a>")))
texts = ""
Expect "For Each over a NodeList": For Each node In xmlDoc.getElementsByTagName("b"): texts = texts & node.getTextContent(): Next: Check texts, "12"
' Strings, boxed numbers, a date, an array, null and an object, each of the type List.get
' gives (compared by VarType: Wine's TypeName takes no typed array).
Dim mixed, index, same
Set mixed = util.newInstance("fixtures.Walks").mixed()
Expect "For Each elements come as method results do"
index = 0
same = ""
For Each item In mixed
    same = same & (VarType(item) = VarType(mixed.get(index))) & " "
    index = index + 1
Next
Check same & index, "True True True True True True True True True True True 11"
Expect "For Each over an empty list": Check Walked(util.newInstance("java.util.ArrayList")), ""
' A list changed mid-walk: Java's ConcurrentModificationException stops the walk with an error
' (the count guards against an engine that resumed inside the loop for ever).
Expect "changing a list mid-walk raises"
count = 0
For Each item In fruit
    count = count + 1
    If count = 1 Then fruit.add "kiwi"
    If count > 10 Then Exit For
Next
CheckError Hex(Err.Number), "80020009"
' Wine's engine resumes inside the loop after the failed _NewEnum and reports its own later
' error instead (E_FAIL), so only that the statement raised is checked here.
Expect "For Each over an object that is no collection raises"
count = 0
For Each item In calc
    count = count + 1
    If count > 10 Then Exit For
Next
CheckError Raised(), True

'' A JDBC driver on the class path is found: the script's thread has the system class loader
' as its context class loader.
Dim connection
Expect "a JDBC driver found by DriverManager"
Set connection = util.newInstance("java.sql.DriverManager").getConnection("jdbc:h2:mem:script")
Check connection.getMetaData().getDatabaseProductName(), "H2"
connection.close

' Proxies made and released in a loop; an error in the loop stays in Err for Check.
Dim i, made, ok
ok = True
' Each call to another process is a round trip of milliseconds: the isolated class makes fewer.
Dim rounds: rounds = 10000: If InStr(UtilProgId(), "Isolated") > 0 Then rounds = 300
Expect "proxies made and released"
For i = 1 To rounds
    Set made = util.newInstance("java.lang.StringBuilder")
    If made Is Nothing Then ok = False
    If i Mod 100 = 0 Then
        made.append i
        If made.length() <> Len(CStr(i)) Then ok = False
    End If
    Set made = Nothing
Next
Check ok, True

Finish
