package winejvm;

import java.util.stream.Collectors;

/** Strings beyond ASCII and beyond the Basic Multilingual Plane, both ways. */
public class Texts {
    /** "a", a-umlaut, the euro sign and U+1F600 (a surrogate pair in UTF-16). */
    public static String sample() {
        return "a\u00e4\u20ac" + new String(Character.toChars(0x1F600));
    }

    /** The code points of a string, in hex: how Java understood what native code sent. */
    public static String codePoints(String text) {
        return text.codePoints().mapToObj(Integer::toHexString).collect(Collectors.joining(" "));
    }
}
