package winejvm;

import java.util.concurrent.atomic.AtomicLong;

/** A unit of work for many attached threads at once. */
public class Work {
    private static final AtomicLong calls = new AtomicLong();

    public static long step(int thread, long total, double weight) {
        calls.incrementAndGet();
        return total + thread + (long) weight;
    }

    public static long calls() {
        return calls.get();
    }
}
