package winejvm;

/** Reversed copies of arrays of every element type, to send arrays both ways. */
public class Reversed {
    public static boolean[] of(boolean[] a) { boolean[] r = new boolean[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static byte[] of(byte[] a) { byte[] r = new byte[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static char[] of(char[] a) { char[] r = new char[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static short[] of(short[] a) { short[] r = new short[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static int[] of(int[] a) { int[] r = new int[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static long[] of(long[] a) { long[] r = new long[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static float[] of(float[] a) { float[] r = new float[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static double[] of(double[] a) { double[] r = new double[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
    public static Object[] of(Object[] a) { Object[] r = new Object[a.length]; for (int k = 0; k < a.length; k++) r[k] = a[a.length - 1 - k]; return r; }
}
