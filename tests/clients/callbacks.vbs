' Script objects as Java interfaces: a GetRef function and class instances passed where Java
' expects a Comparator or a Consumer, implement, the script's error inside Java's call, a
' Runnable run on a Java thread while the script waits, and Java threads calling the script
' while it waits inside a Java call (a parallel stream, an executor's future, a join). Run by cscript with harness.vbs
' prepended (see run-client.sh).
Dim util, list, collector, thread, waited, byLength, numbers, n, executor, future
Set util = CreateObject(UtilProgId())

Function ByLength(a, b)
    ByLength = Len(a) - Len(b)
End Function

Class LengthComparer
    Public Function compare(a, b)
        compare = Len(a) - Len(b)
    End Function
End Class

' No member named compare: a functional interface's method reaches the default member.
Class LengthMeasure
    Public Default Function Measure(a, b)
        Measure = Len(a) - Len(b)
    End Function
End Class

Class BrokenComparer
    Public Function compare(a, b)
        Err.Raise 5000, "callbacks.vbs", "the comparison is off"
    End Function
End Class

Class Collector
    Public seen
    Public Sub accept(item)
        seen = seen & item & ";"
    End Sub
    Public Sub run()
        seen = "ran"
    End Sub
End Class

Class MultipleOfThree
    Public Function test(x)
        test = (x Mod 3 = 0)
    End Function
End Class

Class Descending
    Public Function compare(a, b)
        compare = b - a
    End Function
End Class

Class AsInt
    Public Function applyAsInt(x)
        applyAsInt = x
    End Function
End Class

' No member named call (a VBScript keyword): Callable's method reaches the default member.
Class Answer
    Public Default Function Give()
        Give = "called " & numbers.size()
    End Function
End Class

Function Fruit()
    Set Fruit = util.newInstance("java.util.ArrayList")
    Fruit.add "banana"
    Fruit.add "fig"
    Fruit.add "pear"
End Function

Set byLength = GetRef("ByLength")
If IsObject(byLength) Then
    Plan 12
Else
    Note "this VBScript engine has no GetRef (" & Err.Description & "): the check of a GetRef comparator is left out"
    Err.Clear
    Plan 11
End If
If IsObject(byLength) Then Expect "sort with a GetRef comparator": Set list = Fruit(): list.sort byLength: Check list.toString(), "[fig, pear, banana]"
Expect "sort with a class's default function": Set list = Fruit(): list.sort New LengthMeasure: Check list.toString(), "[fig, pear, banana]"
Expect "Collections.sort with a class instance": Set list = Fruit(): util.statics("java.util.Collections").sort list, New LengthComparer: Check list.toString(), "[fig, pear, banana]"
Expect "implement a Comparator": Set list = Fruit(): list.sort util.implement("java.util.Comparator", New LengthComparer): Check list.toString(), "[fig, pear, banana]"
Expect "forEach with a class instance": Set collector = New Collector: Fruit().forEach collector: Check collector.seen, "banana;fig;pear;"
' The error's description, or, from an engine that keeps it to itself when called through
' IDispatch (Wine's), the bridge's text with the error's own number (5000 as 0x800A1388).
Expect "the comparator's error": Fruit().sort New BrokenComparer: CheckError Err.Description = "the comparison is off" Or Err.Description = "The automation object's compare failed: 0x800A1388", True
Expect "implement something that is no interface": util.implement "java.util.ArrayList", New Collector: CheckError Err.Description, "Not an interface: java.util.ArrayList"
' A Java thread's call reaches the script's object through the script's apartment, whose
' thread takes it in when it pumps messages or calls into the bridge: here, as it asks Java
' whether the thread is still alive. The loop is bounded so that a call never let in fails the
' check.
Expect "a Runnable on a Java thread": Set collector = New Collector: Set thread = util.newObject("java.lang.Thread", util.implement("java.lang.Runnable", collector)): thread.start: waited = 0: Do While thread.isAlive() And waited < 200000: waited = waited + 1: Loop: Check collector.seen, "ran"
' While the script's apartment has callback objects, a Java call that Java's own threads call
' back during (the common pool's, an executor's) lets their calls in as it waits.
Set numbers = util.newInstance("java.util.ArrayList")
For n = 1 To 300: numbers.add CLng(n): Next
Expect "a parallel stream filters, sorts and sums with script objects": Check numbers.parallelStream().filter(New MultipleOfThree).sorted(New Descending).mapToInt(New AsInt).sum(), 15150
Expect "an executor's Callable waited for with get(3, SECONDS)": Set executor = util.statics("java.util.concurrent.Executors").newFixedThreadPool(2): Set future = executor.submit(util.implement("java.util.concurrent.Callable", New Answer)): Check future.get(3, util.statics("java.util.concurrent.TimeUnit").SECONDS), "called 300"
executor.shutdown
Expect "a Java exception while the apartment has callbacks": n = numbers.get(300): CheckError Err.Description, "Index 300 out of bounds for length 300"
Expect "a Runnable on a Java thread waited for with join": Set collector = New Collector: Set thread = util.newObject("java.lang.Thread", util.implement("java.lang.Runnable", collector)): thread.start: thread.join: Check collector.seen, "ran"
Finish
