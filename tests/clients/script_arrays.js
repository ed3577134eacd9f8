// Arrays as a JScript author uses them, with the VariantArrays setting on (the runner sets
// TAVLIN_VARIANT_ARRAYS=1: Wine's WScript.Shell cannot set a process variable from the script).
// Run by cscript with harness.js prepended.
plan(13);
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
} catch (e) {
    check("no unexpected error", "error " + (e.number >>> 0).toString(16) + ": " + e.description, "none");
}
finish();
