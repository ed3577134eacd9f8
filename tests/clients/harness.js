// Shared by the JScript client tests: one line per check, then "N passed, M failed".
var passed = 0, failed = 0;

function check(name, actual, expected) {
    if (actual === expected) {
        passed++;
        WScript.Echo("ok: " + name);
    } else {
        failed++;
        WScript.Echo("FAILED: " + name + " (got " + actual + ", expected " + expected + ")");
    }
}

function note(text) { WScript.Echo("note: " + text); }

function errorOf(action) {
    try { action(); return "no error"; } catch (e) { return "error " + (e.number >>> 0).toString(16) + " " + e.description; }
}

function finish() {
    WScript.Echo(passed + " passed, " + failed + " failed");
    WScript.Quit(failed > 0 ? 1 : 0);
}
