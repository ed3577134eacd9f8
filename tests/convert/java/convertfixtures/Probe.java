package convertfixtures;

import java.lang.reflect.Array;
import java.text.SimpleDateFormat;
import java.util.ArrayList;
import java.util.Date;
import java.util.GregorianCalendar;

/**
 * What the conversion tests hand to Java and get back: describe() reports a converted value
 * as text (class and value), sample() makes the Java values that go the other way.
 */
public final class Probe {
    private Probe() {}

    /** "class:value" in plain ASCII; arrays as "class{elements}", recursively. */
    public static String describe(Object value) {
        if (value == null) return "null";
        Class<?> type = value.getClass();
        if (type.isArray()) {
            StringBuilder text = new StringBuilder(type.getName()).append('{');
            for (int i = 0; i < Array.getLength(value); i++) {
                if (i > 0) text.append(',');
                Object element = Array.get(value, i);
                text.append(type.getComponentType().isPrimitive() ? plain(element) : describe(element));
            }
            return text.append('}').toString();
        }
        return type.getName() + ":" + plain(value);
    }

    private static String plain(Object value) {
        if (value instanceof Character) return Integer.toString((Character) value);
        if (value instanceof Date && value.getClass() == Date.class) {
            return new SimpleDateFormat("yyyy-MM-dd HH:mm:ss.SSS").format((Date) value);
        }
        if (value instanceof String) return escaped((String) value);
        return String.valueOf(value);
    }

    private static String escaped(String text) {
        StringBuilder out = new StringBuilder();
        for (char c : text.toCharArray()) {
            if (c >= 0x20 && c < 0x7f && c != '\\') out.append(c);
            else out.append(String.format("\\u%04x", (int) c));
        }
        return out.toString();
    }

    private static Date localDate(int year, int month, int day, int hour, int minute, int second, int millis) {
        GregorianCalendar calendar = new GregorianCalendar(year, month - 1, day, hour, minute, second);
        calendar.set(GregorianCalendar.MILLISECOND, millis);
        return calendar.getTime();
    }

    /** The Java value a test converts to automation, by name. */
    public static Object sample(String name) {
        switch (name) {
            case "true": return Boolean.TRUE;
            case "false": return Boolean.FALSE;
            case "byte -1": return (byte) -1;
            case "char A": return 'A';
            case "short -12345": return (short) -12345;
            case "int 7": return 7;
            case "long 2^32+1": return 4294967297L;
            case "long 2^31": return 2147483648L;
            case "long -1": return -1L;
            case "long -2^31": return -2147483648L;
            case "float 1.5": return 1.5f;
            case "double -2.25": return -2.25;
            case "empty string": return "";
            case "accented": return "caf\u00e9 \u00fcber";
            case "non-BMP": return "a\ud83d\ude00b";
            case "embedded NUL": return "a\u0000b";
            case "1999-12-31 23:59:58": return localDate(1999, 12, 31, 23, 59, 58, 0);
            case "1850-01-01 06:00:00": return localDate(1850, 1, 1, 6, 0, 0, 0);
            case "1899-12-29 06:00:00": return localDate(1899, 12, 29, 6, 0, 0, 0);
            case "2000-01-01 12:00:00.750": return localDate(2000, 1, 1, 12, 0, 0, 750);
            case "timestamp": return new java.sql.Timestamp(0);
            case "object": return new Object();
            case "array list": return new ArrayList<String>();
            case "probe": return new Probe();
            case "boolean[]": return new boolean[] {true, false};
            case "byte[]": return new byte[] {-1, 2};
            case "char[]": return new char[] {'A', '\u00e9'};
            case "short[]": return new short[] {-3, 4};
            case "int[]": return new int[] {1, 2, 3};
            case "long[]": return new long[] {1, -5, 9007199254740993L};
            case "float[]": return new float[] {1.5f, -2f};
            case "double[]": return new double[] {0.25, -1e300};
            case "int[2][3]": return new int[][] {{1, 2, 3}, {4, 5, 6}};
            case "double[2][2]": return new double[][] {{1.5, 2.5}, {3.5, 4.5}};
            case "long[2][2]": return new long[][] {{1, 2}, {3, -4}};
            case "int[2][2][2]": return new int[][][] {{{1, 2}, {3, 4}}, {{5, 6}, {7, 8}}};
            case "String[]": return new String[] {"a", null, "b"};
            case "String[][]": return new String[][] {{"a", "b"}, {"c", "d"}};
            case "Object[]": return new Object[] {7, localDate(1999, 12, 31, 23, 59, 58, 0), new int[] {1, 2}};
            case "Integer[]": return new Integer[] {1, null, 3};
            case "empty int[]": return new int[0];
            case "empty String[]": return new String[0];
            case "empty double[]": return new double[0];
            case "int[2][0]": return new int[2][0];
            case "int[0][]": return new int[0][];
            case "ragged int[][]": return new int[][] {{1}, {2, 3, 4}};
            case "ragged String[][]": return new String[][] {{"a"}, {"b", "c"}};
            case "int[][] with null row": return new int[][] {{1, 2}, null, {3}};
            case "ragged int[][][]": return new int[][][] {{{1}}, {{2}, {3, 4}}};
            default: throw new IllegalArgumentException("no sample " + name);
        }
    }

    /** A class no wrapper, String or Date row knows, for parameters of "another class". */
    public static final class Marker {}
}
