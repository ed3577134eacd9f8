package winejvm;

/** Overrides every instance method of Calls, so that a virtual call and a nonvirtual call of Calls' method show apart. */
public class CallsSub extends Calls {
    @Override public boolean z(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return z; }
    @Override public byte b(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return b; }
    @Override public char c(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return c; }
    @Override public short s(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return s; }
    @Override public int i(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return i; }
    @Override public long j(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return j; }
    @Override public float f(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return f; }
    @Override public double d(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return d; }
    @Override public Object l(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); return l; }
    @Override public void v(boolean z, byte b, char c, short s, int i, long j, float f, double d, String l, int[] a) { last = describe("CallsSub", z, b, c, s, i, j, f, d, l, a); }
}
