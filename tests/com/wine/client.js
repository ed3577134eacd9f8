// A late-bound client: creates the utility object by each of its ProgIDs and calls
// newInstance. cscript reports nothing for a script error, so every error is caught here and
// printed with its number.
function hex(number) {
    return (number < 0 ? number + 0x100000000 : number).toString(16).toUpperCase();
}

var progids = ["Tavlin.Util", "Tavlin.TavlinUtil", "Tavlin.TavlinUtil.1"];
for (var i = 0; i < progids.length; i++) {
    var line = progids[i] + ": ";
    var util = null;
    try {
        util = WScript.CreateObject(progids[i]);
    } catch (e) {
        line += "CreateObject error " + hex(e.number);
    }
    if (util !== null) {
        try {
            var proxy = util.newInstance(WScript.Arguments(0));
            line += "newInstance gave " + typeof proxy;
        } catch (e) {
            line += "newInstance error " + hex(e.number);
        }
    }
    WScript.Echo(line);
}
