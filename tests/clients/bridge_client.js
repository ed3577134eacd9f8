// What a JScript author does with the bridge, check by check. Run by cscript with
// harness.js prepended (see run-client.sh).
plan(66);
var util, calc, list;

// A collection walked as JScript walks one: new Enumerator, then atEnd, item and moveNext.
function walk(collection) {
    var seen = [];
    for (var e = new Enumerator(collection); !e.atEnd(); e.moveNext()) seen.push(e.item());
    return seen.join(",");
}

function filled(className, items) {
    var collection = util.newInstance(className);
    for (var i = 0; i < items.length; i++) collection.add(items[i]);
    return collection;
}
try {
    var progIds = utilProgIds();
    util = new ActiveXObject(progIds[0]);
    check("CreateObject " + progIds[0], typeof util, "object");
    check("CreateObject " + progIds[1], typeof new ActiveXObject(progIds[1]), "object");
    check("CreateObject " + progIds[2], typeof new ActiveXObject(progIds[2]), "object");
    calc = util.newInstance("fixtures.Calculator");
    list = util.newInstance("java.util.ArrayList");

    check("numbers", calc.add(2, 3), 5);
    check("double to long", calc.widen(2.9), 2);
    check("string", calc.concat("js"), "<js>");
    check("boolean argument", calc.typeOf(true), "java.lang.Boolean");
    check("date argument", calc.typeOf(calc.epochDate()), "java.util.Date");
    // Notes print what Wine's JScript engine does, not the bridge: it has no getVarDate, turns
    // no VT_DATE into a JScript value and takes only arrays of Variants into a VBArray.
    note("a JScript Date passed through getVarDate: " + errorOf(function () { calc.typeOf(new Date(2000, 0, 1).getVarDate()); }));
    check("null argument", calc.typeOf(null), "null");
    check("object argument", calc.typeOf(list), "java.util.ArrayList");
    // Object.equals is identity: a proxy handed back is its own Java object, not a copy or a wrapper.
    var plain = util.newInstance("java.lang.Object");
    check("a proxy handed back is its Java object",
          plain.equals(plain) + " " + plain.equals(util.newInstance("java.lang.Object")), "true false");
    check("overload for a number", calc.describe(7), "int:7");
    check("overload for a string", calc.describe("s"), "String:s");
    check("static", calc.twice(21), 42);

    check("boolean result", typeof calc.yes(), "boolean");
    check("int result", typeof calc.intValue(), "number");
    check("long result", calc.big(), 4294967297);
    check("string result", typeof calc.concat("x"), "string");
    note("a java.util.Date result (VT_DATE) in JScript: " +
         errorOf(function () { WScript.Echo("typeof " + typeof calc.epochDate()); }));
    check("void result", typeof calc.nothing(), "undefined");
    check("object result", typeof calc.graph(), "object");
    check("graph walk", calc.graph().get("letters").get(1), "y");
    check("byte result", typeof calc.minusOne() + " " + calc.minusOne(), "number -1");
    check("char result", typeof calc.letterA() + " " + calc.letterA(), "number 65");

    var words = new VBArray(calc.words()).toArray();
    check("String[] through VBArray", words.length + ":" + words[0], "3:alpha");
    note("an int[] (VT_ARRAY|VT_I4) through VBArray: " + errorOf(function () {
        var numbers = new VBArray(calc.range(3));
        WScript.Echo("bounds " + numbers.lbound(1) + ".." + numbers.ubound(1));
    }));
    check("a JScript array passed for Object", calc.typeOf([1, 2]), "[Ljava.lang.Object;");

    check("Java exception", errorDescriptionOf(function () { calc.fail("boom"); }), "boom");
    check("Java exception's number", errorOf(function () { calc.fail("boom"); }), "error 800a03e9 boom");
    var missing = caught(function () { util.newInstance("java.util.Nope"); });
    check("missing class: message", missing && missing.message, "java.lang.ClassNotFoundException: java.util.Nope");
    check("missing class: description", missing && missing.description,
          "java.lang.ClassNotFoundException: java.util.Nope");
    check("missing class: number", missing && (missing.number >>> 0).toString(16), "ffffffff");
    check("wrong argument count", errorDescriptionOf(function () { calc.add(1); }), "Invalid number of arguments.");

    check("newObject with BigDecimal(String)",
          util.newObject("java.math.BigDecimal", "19.99").add(util.newObject("java.math.BigDecimal", "0.01")).toString(),
          "20.00");
    check("newObject with StringBuilder(int)", util.newObject("java.lang.StringBuilder", 64).capacity(), 64);
    check("statics of an abstract class", typeof util.statics("java.util.Calendar").getInstance(), "object");
    check("statics of UUID", util.statics("java.util.UUID").randomUUID().toString().length, 36);
    check("instance method on a class", errorDescriptionOf(function () { util.statics("java.lang.Integer").intValue(); }),
          "Instance method called on a class: intValue");
    var person = util.newInstance("fixtures.Person");
    person.Name = "Ada";
    check("a property written, then read", person.Name, "Ada");
    check("a property named in another case", person.name, "Ada");
    person.age = 41;
    check("a public field written, then read", person.age, 41);
    person.tag = list;
    check("an object property", person.tag.size(), list.size());
    person.tag = plain;
    check("a proxy stored in Java and read back is the same object", plain.equals(person.tag), true);
    check("a static field through statics", util.statics("java.lang.Integer").MAX_VALUE, 2147483647);
    check("a property without a setter", errorDescriptionOf(function () { person.Greeting = "x"; }),
          "Property Greeting has no setter.");
    check("newObject of a String is its text", util.newObject("java.lang.String", "text"), "text");
    check("newObject with no constructor argument", util.newObject("java.util.ArrayList").size(), 0);
    check("newObject with two constructor arguments", util.newObject("java.io.File", "folder", "name.txt").getName(),
          "name.txt");
    check("newObject of an abstract class", errorOf(function () { util.newObject("java.util.AbstractList"); }),
          "error 800a03e9 Abstract class or interface: java.util.AbstractList");
    check("an object where text is wanted is its toString()",
          "total: " + util.newObject("java.math.BigDecimal", "19.99"), "total: 19.99");
    var letters = util.newObject("java.lang.StringBuilder", "abc");
    letters.setCharAt(0, "x");
    check("a one-letter text for a char", letters.toString(), "xbc");
    check("a fraction for a float beside an int", util.statics("fixtures.Namesakes").level(0.9), "float:0.9");
    // A Map and a List used as collections are: a key read as a member, Item, the default member.
    var dict = util.newInstance("java.util.HashMap");
    dict.put("name", "Ada");
    check("a map's key read as a member", dict.name, "Ada");
    check("a map's Item read", dict.Item("name"), "Ada");
    check("a map's default member called", dict("name"), "Ada");
    check("a list's Item read", filled("java.util.ArrayList", ["pear"]).Item(0), "pear");
    check("statics of a missing class", errorOf(function () { util.statics("no.such.Clazz"); }),
          "error 800a03e9 java.lang.ClassNotFoundException: no.such.Clazz");
    check("implement of a class", errorOf(function () { util.implement("java.lang.String", {}); }),
          "error 800a03e9 Not an interface: java.lang.String");
    // Java collections walked by Enumerator; a map gives its keys.
    var fruit = filled("java.util.ArrayList", ["pear", "apple", "fig"]);
    check("Enumerator over an ArrayList", walk(fruit), "pear,apple,fig");
    check("Enumerator over a TreeSet, in its order", walk(filled("java.util.TreeSet", ["pear", "apple", "fig"])),
          "apple,fig,pear");
    var prices = util.newInstance("java.util.HashMap");
    prices.put("pear", 1);
    prices.put("apple", 2);
    prices.put("fig", 4);
    check("Enumerator over a HashMap gives its keys", walk(prices).split(",").sort().join(","), "apple,fig,pear");
    var xml = util.statics("javax.xml.parsers.DocumentBuilderFactory").newInstance().newDocumentBuilder().parse(
        util.newObject("org.xml.sax.InputSource", util.newObject("java.io.StringReader", "<a><b>1</b><c/><b>2</b></a>")));
    var texts = "";
    for (var nodes = new Enumerator(xml.getElementsByTagName("b")); !nodes.atEnd(); nodes.moveNext())
        texts += nodes.item().getTextContent();
    check("Enumerator over a NodeList", texts, "12");
    check("Enumerator over an empty list", walk(util.newInstance("java.util.ArrayList")), "");
    check("Enumerator elements are numbers as method results are",
          typeof new Enumerator(util.newInstance("fixtures.Walks").numbers(3)).item(), "number");
    var walker = new Enumerator(fruit);
    walker.moveNext();
    walker.moveNext();
    walker.moveNext();
    check("an Enumerator walked to its end", walker.atEnd(), true);
    walker.moveFirst();
    check("moveFirst starts again", walker.atEnd() + " " + walker.item(), "false pear");
    check("Enumerator of an object that is no collection",
          errorOf(function () { new Enumerator(calc); }) !== "no error", true);
    // Wine's engine takes any failure of Next for the end of the walk.
    note("changing a list mid-walk: " + errorOf(function () {
        var steps = 0;
        for (var e = new Enumerator(fruit); !e.atEnd() && steps < 10; e.moveNext(), steps++) fruit.add("kiwi");
        WScript.Echo("walk ended after " + steps + " steps");
    }));

    var ok = true;
    // Each call to another process is a round trip of milliseconds: the isolated class makes fewer.
    var rounds = /Isolated/.test(utilProgIds()[0]) ? 300 : 10000;
    for (var i = 0; i < rounds; i++) {
        var made = util.newInstance("java.lang.StringBuilder");
        if (i % 100 === 0) {
            made.append("x");
            if (made.length() !== 1) ok = false;
        }
        made = null;
    }
    check("proxies made and released", ok, true);
} catch (e) {
    check("no unexpected error", "error " + (e.number >>> 0).toString(16) + ": " + e.description, "none");
}
finish();
