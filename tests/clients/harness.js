// Shared by the JScript client tests: the script declares its number of checks first
// (plan(n)), prints one line per check, then "P passed, F failed, N planned". An uncaught
// exception ends the checks early; the plan makes the checks it skipped visible.
var planned = 0, passed = 0, failed = 0;

// The ProgIDs a client makes its utility object by: Tavlin.Util's, or those TAVLIN_CLIENT_PROGIDS
// names (run-client.sh sets the isolated class's, to run the same checks against a VM in the
// class's local server).
function utilProgIds() {
    // Wine's WScript.Shell counts the terminating null in the text it gives.
    var named = new ActiveXObject("WScript.Shell").ExpandEnvironmentStrings("%TAVLIN_CLIENT_PROGIDS%").replace(/\0/g, "");
    if (named === "%TAVLIN_CLIENT_PROGIDS%") named = "Tavlin.Util Tavlin.TavlinUtil Tavlin.TavlinUtil.1";
    return named.split(" ");
}

function plan(count) { planned = count; }

function check(name, actual, expected) {
    if (actual === expected) {
        passed++;
        WScript.Echo("ok: " + name);
    } else {
        failed++;
        WScript.Echo("FAILED: " + name + " (got " + actual + ", expected " + expected + ")");
    }
}

// Prints what a script observes without asserting it: behaviour that is the engine's, not the bridge's.
function note(text) { WScript.Echo("note: " + text); }

function errorOf(action) {
    try { action(); return "no error"; } catch (e) { return "error " + (e.number >>> 0).toString(16) + " " + e.description; }
}

// The exception an action throws, or null.
function caught(action) {
    try { action(); return null; } catch (e) { return e; }
}

// The description of the error an action raises, or "no error".
function errorDescriptionOf(action) { return errorOf(action).replace(/^error [0-9a-f]+ /, ""); }

function finish() {
    WScript.Echo(passed + " passed, " + failed + " failed, " + planned + " planned");
    // A script that passed runs to its end, where the engine releases the script's objects: an
    // isolated server ends with the last of them (Wine's COM never ends one whose client just
    // quits: it does not ping clients).
    if (failed > 0 || passed + failed !== planned) WScript.Quit(1);
}
