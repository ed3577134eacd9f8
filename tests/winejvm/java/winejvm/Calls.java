package winejvm;

import java.lang.reflect.Method;
import java.util.Arrays;

/**
 * Target of the call-family checks. Every method takes one parameter of each Java type and
 * records how it saw them, so that a parameter read from the wrong place shows; it returns
 * its parameter of its own return type.
 */
public class Calls {
    public static String lastStatic = "";
    public String last = "";

    public Calls() {
    }

    public Calls(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) {
        last = describe("new", z, b, c, s, i, j, f, d, l, a);
    }

    static String describe(String who, boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) {
        return who + ":" + z + "," + b + "," + (int) c + "," + s + "," + i + "," + j + "," + f + "," + d + "," + l + "," + Arrays.toString(a);
    }

    public boolean z(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return z; }
    public byte b(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return b; }
    public char c(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return c; }
    public short s(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return s; }
    public int i(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return i; }
    public long j(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return j; }
    public float f(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return f; }
    public double d(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return d; }
    public Object l(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); return l; }
    public void v(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("Calls", z, b, c, s, i, j, f, d, l, a); }

    public static boolean z_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return z; }
    public static byte b_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return b; }
    public static char c_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return c; }
    public static short s_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return s; }
    public static int i_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return i; }
    public static long j_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return j; }
    public static float f_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return f; }
    public static double d_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return d; }
    public static Object l_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); return l; }
    public static void v_(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { lastStatic = describe("static", z, b, c, s, i, j, f, d, l, a); }

    /** Reached only through reflection, so its method ID never comes from GetStaticMethodID. */
    public static String mixed(byte b, double d, long j, float f, String l) {
        return b + "," + d + "," + j + "," + f + "," + l;
    }

    public static Method mixedMethod() throws NoSuchMethodException {
        return Calls.class.getMethod("mixed", byte.class, double.class, long.class, float.class, String.class);
    }

    /** The hot-loop target: a long, an int and a double through the variable arguments. */
    public static long accumulate(long total, int step, double scale) {
        return total + (long) (step * scale);
    }
}
