// Script functions and objects as Java interfaces: a function literal passed where Java
// expects a Comparator or a Consumer, an object with the method's name, implement, the
// script's exception inside Java's call, a Runnable run on a Java thread while the script
// waits, and Java threads calling the script while the script waits inside a Java call (a
// parallel stream, an executor's future, a join). Run by cscript with harness.js prepended (see run-client.sh).
plan(12);
var util = new ActiveXObject(utilProgIds()[0]);

function fruit() {
    var list = util.newInstance("java.util.ArrayList");
    list.add("banana");
    list.add("fig");
    list.add("pear");
    return list;
}

try {
    var list = fruit();
    list.sort(function (a, b) { return a.length - b.length; });
    check("sort with a function literal", list.toString(), "[fig, pear, banana]");

    list = fruit();
    util.statics("java.util.Collections").sort(list, { compare: function (a, b) { return b.length - a.length; } });
    check("Collections.sort with an object", list.toString(), "[banana, pear, fig]");

    list = fruit();
    list.sort(util.implement("java.util.Comparator", function (a, b) { return a.length - b.length; }));
    check("implement a Comparator with a function", list.toString(), "[fig, pear, banana]");

    var seen = [];
    fruit().forEach(function (item) { seen.push(item); });
    check("forEach with a function literal", seen.join(";"), "banana;fig;pear");

    // The error's description, or, from an engine that keeps it to itself when called through
    // IDispatch (Wine's), the bridge's text with the error's own number.
    var described = errorDescriptionOf(function () {
        fruit().sort(function (a, b) { throw new Error(0x800A1388 | 0, "the comparison is off"); });
    });
    check("the function's exception", described === "the comparison is off" ||
          described === "The automation object's compare failed: 0x800A1388", true);
    note("the function's exception as the script sees it: " + described);

    var lengths = util.newInstance("java.util.HashMap");
    lengths.computeIfAbsent("banana", function (key) { return key.length; });
    check("computeIfAbsent with a function literal", lengths.toString(), "{banana=6}");

    // A Java thread's call reaches the script's function through the script's apartment, whose
    // thread takes it in when it pumps messages or calls into the bridge: here, as it asks Java
    // whether the thread is still alive. The loop is bounded so that a call never let in fails
    // the check.
    var ran = false;
    var thread = util.newObject("java.lang.Thread", util.implement("java.lang.Runnable", function () { ran = true; }));
    thread.start();
    for (var waited = 0; thread.isAlive() && waited < 200000; waited++) {}
    check("a Runnable on a Java thread", ran, true);

    // While the script's apartment has callback objects, a Java call that Java's own threads
    // call back during (the common pool's, an executor's) lets their calls in as it waits.
    var numbers = util.newInstance("java.util.ArrayList");
    for (var n = 1; n <= 300; n++) numbers.add(n);
    var multiples = function (x) { return x % 3 === 0; };
    var descending = function (a, b) { return b - a; };
    var sum = numbers.parallelStream().filter(multiples).sorted(descending)
        .mapToInt(function (x) { return x; }).sum();
    check("a parallel stream filters, sorts and sums with script functions", sum, 15150);
    var toList = util.statics("java.util.stream.Collectors").toList();
    // Each function calls Java in turn, on the script's thread, while its Java call waits.
    var listed = function (x) { return x % 3 === 0 && numbers.contains(x); };
    check("a parallel stream's order from a script comparator",
          numbers.parallelStream().filter(listed).sorted(descending).limit(3).collect(toList).toString(),
          "[300, 297, 294]");

    var executor = util.statics("java.util.concurrent.Executors").newFixedThreadPool(2);
    var future = executor.submit(util.implement("java.util.concurrent.Callable", function () { return "called " + numbers.size(); }));
    var answer = future.get(3, util.statics("java.util.concurrent.TimeUnit").SECONDS);
    executor.shutdown();
    check("an executor's Callable waited for with get(3, SECONDS)", answer, "called 300");
    check("a Java exception while the apartment has callbacks", errorDescriptionOf(function () { numbers.get(300); }),
          "Index 300 out of bounds for length 300");

    ran = false;
    thread = util.newObject("java.lang.Thread", util.implement("java.lang.Runnable", function () { ran = true; }));
    thread.start();
    thread.join();
    check("a Runnable on a Java thread waited for with join", ran, true);
} catch (e) {
    WScript.Echo("FAILED: uncaught " + (e.number >>> 0).toString(16) + " " + e.description);
}
finish();
