// Arrays as a JScript author uses them, with the VariantArrays setting on (the runner sets
// TAVLIN_VARIANT_ARRAYS=1: Wine's WScript.Shell cannot set a process variable from the script).
// Run by cscript with harness.js prepended.
plan(29);
try {
    var util = new ActiveXObject(utilProgIds()[0]);
    var calc = util.newInstance("fixtures.Calculator");
    var sink = util.newInstance("fixtures.Sink");
    var shapes = util.newInstance("fixtures.ArrayResults");

    check("[1, 2, 3] to an int[] parameter", calc.sum([1, 2, 3]), 6);
    check("nested [[1, 2], [3, 4]] to int[][]", sink.takeIntMatrix([[1, 2], [3, 4]]), "int[][]:[[1, 2], [3, 4]]");
    check("a JScript array for Object is an Object[]", calc.typeOf([1, "a"]), "[Ljava.lang.Object;");
    check("a JScript array of arrays for Object[]", sink.takeObjectArray([1, "a", [2, 3]]), "Object[]:[1, a, [2, 3]]");
    check("an element that is no number", errorDescriptionOf(function () { calc.sum([1, "x"]); }),
          "Unable to coerce parameter data to int: 0x80020005");

    check("int[] through VBArray", new VBArray(calc.range(4)).toArray().join(","), "0,1,2,3");
    var grid = new VBArray(shapes.ragged());
    check("int[][] through VBArray", grid.dimensions() + ":" + grid.ubound(1) + "x" + grid.ubound(2), "2:1x2");
    check("an element of a matrix", grid.getItem(0, 2), 3);

    check("String.format with spread arguments",
          util.statics("java.lang.String").format("%s has %d items", "list", 3), "list has 3 items");
    check("Arrays.asList with spread arguments", util.statics("java.util.Arrays").asList("a", "b", "c").size(), 3);

    var claimed = [1, 2, 3], sparse = [1, 2], deep = null;
    claimed.length = 268435457;
    sparse[268435456] = 3;
    for (var level = 0; level < 2000; level++) deep = [deep];
    check("a length past the elements", errorDescriptionOf(function () { sink.takeIntArray(claimed); }), "Expected array.");
    check("a last element alone", errorDescriptionOf(function () { sink.takeIntArray(sparse); }), "Expected array.");
    check("2000 levels of arrays", errorDescriptionOf(function () { sink.takeObject(deep); }),
          "Array nested deeper than 255 levels.");

    // A script's arrays, object literals and dates where Java takes a collection, a map or a date.
    var data = util.statics("fixtures.ScriptData"), files = util.statics("java.nio.file.Files");
    check("String.join of a JScript array", util.statics("java.lang.String").join(", ", ["a", "b"]), "a, b");
    var path = files.createTempFile("tavlin", ".txt");
    files.write(path, ["first", "second"]);
    check("Files.write of a JScript array", files.readAllLines(path).toString(), "[first, second]");
    files["delete"](path);
    check("a JScript array for a List", data.list([1, "a", [2]]), "List ArrayList[Integer:1, String:a, Object[][Integer:2]]");
    check("a JScript array for ArrayList(Collection)", util.newObject("java.util.ArrayList", ["x", "y"]).size(), 2);
    check("a JScript array to addAll", sink.takeList([]) + " " + util.newInstance("java.util.ArrayList").addAll(["x"]), "List:0 true");
    check("an object literal for Object", data.describe({id: 1, name: "Ada", tags: ["a"], born: {year: 1815}}),
          "LinkedHashMap{String:id=Integer:1, String:name=String:Ada, String:tags=Object[][String:a], " +
          "String:born=LinkedHashMap{String:year=Integer:1815}}");
    check("an object literal for a Map", data.map({b: 2.5, a: true}), "Map LinkedHashMap{String:b=Double:2.5, String:a=Boolean:true}");
    check("an object literal for HashMap(Map)", util.newObject("java.util.HashMap", {k: "v"}).get("k"), "v");
    check("an object with the comparator's method stays a callback",
          data.sorter({compare: function (a, b) { return -7; }}), "Comparator -7");
    var source = util.newInstance("java.util.ArrayList");
    source.add("q");
    check("an object with iterator() stays an Iterable's callback", util.statics("java.lang.String").join(
          ", ", {iterator: function () { return source.iterator(); }}), "q");
    var when = new Date(2024, 0, 31);
    check("a JScript Date for a Date", sink.takeDate(when), "Date:" + when.getTime());
    check("a JScript Date for Object", data.describe(when), "Date:" + when.getTime());
    check("a JScript Date for a Calendar", data.calendar(when), "Calendar " + when.getTime());
    check("a JScript Date for Comparable", data.comparable(when), "Comparable Date");
    check("a JScript Date among overloads", sink.take(when), "Date:" + when.getTime());
    var loop = {};
    loop.self = loop;
    check("an object literal holding itself", errorDescriptionOf(function () { data.describe(loop); }),
          "Array nested deeper than 255 levels.");
} catch (e) {
    check("no unexpected error", "error " + (e.number >>> 0).toString(16) + ": " + e.description, "none");
}
finish();
