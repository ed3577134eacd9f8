// The tavlin demo in JScript.
var util = new ActiveXObject("Tavlin.Util");

WScript.Echo("JScript: a java.util.HashMap of word counts");
var counts;
try {
    counts = util.newInstance("java.util.HashMap");
} catch (e) {
    // The first call starts Java: without a Java of this process's bitness, the error says
    // where it was looked for.
    WScript.Echo("Java could not be started: " + e.description);
    WScript.Quit(1);
}
var words = ["to", "be", "or", "not", "to", "be"];
for (var i = 0; i < words.length; i++) {
    var seen = counts.get(words[i]);
    counts.put(words[i], seen == null ? 1 : seen + 1);
}
WScript.Echo("  " + counts.toString());

WScript.Echo("JScript: a java.lang.StringBuilder");
WScript.Echo("  " + util.newInstance("java.lang.StringBuilder").append("Hello, Java").reverse().toString());

WScript.Echo("JScript: java.math.BigDecimal keeps every digit");
var two = util.newObject("java.math.BigDecimal", 2);
WScript.Echo("  2 to the power 100 = " + two.pow(100).toPlainString());

WScript.Echo("JScript: catch a Java exception");
try {
    util.newInstance("java.util.ArrayList").get(5);
} catch (e) {
    WScript.Echo("  get(5) on an empty list failed: " + e.description);
}
