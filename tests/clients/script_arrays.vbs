' Arrays as a VBScript author uses them, with the VariantArrays setting on (the runner sets
' TAVLIN_VARIANT_ARRAYS=1: Wine's WScript.Shell cannot set a process variable from the script).
' Run by cscript with harness.vbs prepended.
Plan 24

Dim util, calc, sink, shapes
Set util = CreateObject(UtilProgId())
Set calc = util.newInstance("fixtures.Calculator")
Set sink = util.newInstance("fixtures.Sink")
Set shapes = util.newInstance("fixtures.ArrayResults")

' Arrays of Variants into Java's primitive arrays.
Expect "Array() to an int[] parameter": Check calc.sum(Array(1, 2, 3)), 6
Expect "Array() of numbers and text to int[]": Check sink.takeIntArray(Array(1, "2", 3)), "int[]:[1, 2, 3]"
Expect "nested Array() to int[][]": Check sink.takeIntMatrix(Array(Array(1, 2), Array(3, 4))), "int[][]:[[1, 2], [3, 4]]"
Expect "an element that is no number": sink.takeIntArray Array(1, "x"): CheckError Err.Description, "Unable to coerce parameter data to int: 0x80020005"

' Java arrays back as arrays of Variants: indexed, bounded and walked like the script's own.
Dim numbers, total, n, longs, grid
Expect "int[] result is an array of Variants": numbers = calc.range(4): Check VarType(numbers), vbArray + vbVariant
Expect "UBound of an int[] result": Check UBound(numbers), 3
Expect "an element of an int[] result": Check numbers(3), 3
Expect "its elements are Longs": Check TypeName(numbers(0)), "Long"
Expect "For Each over an int[] result": total = 0: For Each n In numbers: total = total + n: Next: Check total, 6
Expect "a long[] element is a Double": longs = shapes.longs(): Check TypeName(longs(1)), "Double"
Expect "int[][] result has two dimensions": grid = shapes.ragged(): Check UBound(grid, 1) & "x" & UBound(grid, 2), "1x2"
Expect "an element of a matrix": Check grid(0, 2), 3
Expect "a ragged matrix's missing element is Empty": Check IsEmpty(grid(1, 1)), True

' Variable arguments given one by one, as Java source gives them.
Expect "String.format with spread arguments": Check util.statics("java.lang.String").format("%s has %d items", "list", 3), "list has 3 items"
Expect "Arrays.asList with spread arguments": Check util.statics("java.util.Arrays").asList("a", "b", "c").size(), 3

' Arrays inside arrays: at most 255 levels, as many as a Java array type can have.
Dim deep, level, list
Set list = util.newInstance("java.util.ArrayList")
Expect "255 levels of Array()": deep = Empty: For level = 1 To 255: deep = Array(deep): Next: Check sink.takeObject(deep), "Object:[Ljava.lang.Object;"
Expect "2000 levels of Array()": deep = Empty: For level = 1 To 2000: deep = Array(deep): Next: sink.takeObject deep: CheckError Err.Description, "Array nested deeper than 255 levels."
' An overloaded name reports the refusal of the member that takes one argument, add(E).
Expect "2000 levels of Array() to list.add": list.add deep: CheckError Err.Description, "Array nested deeper than 255 levels."

' Arrays and dictionaries where Java takes a collection or a map.
Dim data, files, path, dict
Set data = util.statics("fixtures.ScriptData")
Set files = util.statics("java.nio.file.Files")
Set path = files.createTempFile("tavlin", ".txt")
Expect "Files.write of Array()": files.write path, Array("first", "second"): Check files.readAllLines(path).toString(), "[first, second]"
files.delete path
Expect "Array() for a List": Check data.list(Array(1, "a", 2.5)), "List ArrayList[Short:1, String:a, Double:2.5]"
Set dict = CreateObject("Scripting.Dictionary")
dict.Add "id", 1
dict.Add "name", "Ada"
dict.Add 7, Array("x")
Expect "a Scripting.Dictionary for Object": Check data.describe(dict), "LinkedHashMap{String:id=Short:1, String:name=String:Ada, Short:7=Object[][String:x]}"
Expect "a Scripting.Dictionary for a Map": Check data.map(dict), "Map LinkedHashMap{String:id=Short:1, String:name=String:Ada, Short:7=Object[][String:x]}"
Expect "a Scripting.Dictionary for HashMap(Map)": Check util.newObject("java.util.HashMap", dict).get("name"), "Ada"
Expect "an empty Scripting.Dictionary": Check data.map(CreateObject("Scripting.Dictionary")), "Map LinkedHashMap{}"

Finish
