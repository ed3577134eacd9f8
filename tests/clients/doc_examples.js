// Every JScript example of README.md and docs/scripting.md, as written there, with the checks
// of what it promises (doc_examples_check.sh makes sure that every line of those examples
// stands here). Run by cscript with harness.js prepended (see run-client.sh).
plan(2);
var util = new ActiveXObject("Tavlin.Util");
var list = util.newInstance("java.util.ArrayList");
list.add("pear");
list.add("fig");
var echoed = 0;
check("a script function for a Consumer", errorOf(function () {
    list.forEach(function (item) { WScript.Echo(item); });
    list.forEach(function (item) { echoed++; });
}) + " " + echoed, "no error 2");
// A script that waits inside a Java call for Java threads that call it back.
function waitForCallbacks() {
var numbers = util.newInstance("java.util.ArrayList");
for (var n = 1; n <= 300; n++) numbers.add(n);
var sum = numbers.parallelStream()
    .filter(function (x) { return x % 3 === 0; })
    .sorted(function (a, b) { return b - a; })
    .mapToInt(function (x) { return x; })
    .sum();                                                     // 15150
var executor = util.statics("java.util.concurrent.Executors").newFixedThreadPool(2);
var future = executor.submit(util.implement("java.util.concurrent.Callable", function () { return "called"; }));
var answer = future.get(3, util.statics("java.util.concurrent.TimeUnit").SECONDS);    // "called"
executor.shutdown();
return sum + " " + answer;
}
var gave = "nothing";
var failure = errorOf(function () { gave = waitForCallbacks(); });
check("a parallel stream and an executor's future with script functions", failure + ": " + gave,
      "no error: 15150 called");
finish();
