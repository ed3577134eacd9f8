// Every JScript example of README.md and docs/scripting.md, as written there, with the checks
// of what it promises (doc_examples_check.sh makes sure that every line of those examples
// stands here). Run by cscript with harness.js prepended (see run-client.sh).
plan(1);
var util = new ActiveXObject("Tavlin.Util");
var list = util.newInstance("java.util.ArrayList");
list.add("pear");
list.add("fig");
var echoed = 0;
check("a script function for a Consumer", errorOf(function () {
    list.forEach(function (item) { WScript.Echo(item); });
    list.forEach(function (item) { echoed++; });
}) + " " + echoed, "no error 2");
finish();
