package winejvm;

import java.util.concurrent.CountDownLatch;

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

    /** The same call on several Java threads at once: their results in the threads' order. */
    public static String onJavaThreadsAtOnce(int threads) throws InterruptedException {
        final String[] outcomes = new String[threads];
        final CountDownLatch start = new CountDownLatch(1);
        final Thread[] started = new Thread[threads];
        for (int i = 0; i < threads; i++) {
            final int index = i;
            started[i] = new Thread(() -> {
                try {
                    start.await();
                    outcomes[index] = join("thread", index, 0L, "end");
                } catch (InterruptedException | RuntimeException e) {
                    outcomes[index] = e.toString();
                }
            });
            started[i].start();
        }
        start.countDown();
        for (Thread thread : started) thread.join();
        return String.join(";", outcomes);
    }
}
