' Every VBScript example of README.md and docs/scripting.md, as written there, with the checks
' of what it promises (doc_examples_check.sh makes sure that every line of those examples
' stands here). Run by cscript with harness.vbs prepended (see run-client.sh).
Plan 9

' What the examples take for granted: a comparator, a job and a map of the script's own.
Class LengthComparer
    Public Function compare(a, b)
        compare = Len(a) - Len(b)
    End Function
End Class

Dim jobRan
Class Job
    Public Sub run()
        jobRan = True
    End Sub
End Class

Function ByLength(a, b)
    ByLength = Len(a) - Len(b)
End Function

Dim hasGetRef, waited, key, seen
hasGetRef = IsObject(GetRef("ByLength"))
If Not hasGetRef Then Note "this VBScript engine has no GetRef: the line that sorts with it is left out": Err.Clear

Expect "README: a list"
Set util = CreateObject("Tavlin.Util")
Set list = util.newInstance("java.util.ArrayList")
list.add "pear"
list.add "apple"
WScript.Echo list.size()          ' 2
WScript.Echo list.get(0)          ' pear
Check list.size() & " " & list.get(0), "2 pear"

Expect "README: newObject and statics"
Set price = util.newObject("java.math.BigDecimal", "19.99")
WScript.Echo price.add(util.newObject("java.math.BigDecimal", "0.01")).toString()   ' 20.00
WScript.Echo util.statics("java.util.UUID").randomUUID().toString()
Set calendar = util.statics("java.util.Calendar").getInstance()
Check price.add(util.newObject("java.math.BigDecimal", "0.01")).toString() & " " & TypeName(calendar), "20.00 java.util.GregorianCalendar"

Expect "README: properties"
Set file = util.newObject("java.io.File", "notes.txt")
WScript.Echo file.Name                                     ' notes.txt (getName)
WScript.Echo util.statics("java.lang.Integer").MAX_VALUE   ' 2147483647 (a static field)
Check file.Name & " " & util.statics("java.lang.Integer").MAX_VALUE, "notes.txt 2147483647"

Expect "README: variable arguments"
WScript.Echo util.statics("java.lang.String").format("%s has %d items", "list", 3)
Set names = util.statics("java.util.Arrays").asList("ada", "grace", "barbara")
Check util.statics("java.lang.String").format("%s has %d items", "list", 3) & " " & names.size(), "list has 3 items 3"

Expect "README: script objects as Java interfaces"
Set list = util.newInstance("java.util.ArrayList")
list.add "banana": list.add "fig"
If hasGetRef Then list.sort GetRef("ByLength")                                     ' [fig, banana]
list.sort util.implement("java.util.Comparator", New LengthComparer)
Check list.toString(), "[fig, banana]"

Expect "README: a Runnable on a Java thread"
Set thread = util.newObject("java.lang.Thread", util.implement("java.lang.Runnable", New Job))
thread.start
waited = 0: Do While thread.isAlive() And waited < 200000: waited = waited + 1: Loop
Check jobRan, True

Expect "scripting guide: making objects"
Set util = CreateObject("Tavlin.Util")
Set list = util.newInstance("java.util.ArrayList")     ' constructor without arguments
Set price = util.newObject("java.math.BigDecimal", "19.99")   ' the constructor the arguments choose
Set uuids = util.statics("java.util.UUID")             ' the class itself: its static members
Check list.size() & " " & price.toString() & " " & Len(uuids.randomUUID().toString()), "0 19.99 36"

Expect "scripting guide: For Each over a map"
Set map = util.newInstance("java.util.TreeMap")
map.put "a", 1: map.put "b", 2
For Each key In map
    WScript.Echo key & " = " & map.get(key)
    seen = seen & key & "=" & map.get(key) & ";"
Next
Check seen, "a=1;b=2;"

Expect "scripting guide: a GetRef comparator"
Set list = util.newInstance("java.util.ArrayList")
list.add "banana": list.add "fig"
If hasGetRef Then list.sort GetRef("ByLength") Else list.sort New LengthComparer
Check list.toString(), "[fig, banana]"
Finish
