package winejvm;

/**
 * Natives that the test program registers with Windows functions: called from Java on the
 * thread that called Java, and on a Java thread of the VM's own.
 */
public class Natives {
    /** Joins its arguments as text; a negative count throws instead. */
    static native String join(Object first, int count, long big, String last);

    public static String viaJava(String last) {
        return join("first", 7, 1L << 40, last);
    }

    /** The same call on a new Java thread: its result, or its exception as text. */
    public static String onJavaThread(int count) throws InterruptedException {
        final String[] outcome = new String[1];
        Thread thread = new Thread(() -> {
            try {
                outcome[0] = join("thread", count, -(1L << 33), "end");
            } catch (RuntimeException e) {
                outcome[0] = e.toString();
            }
        });
        thread.start();
        thread.join();
        return outcome[0];
    }
}
