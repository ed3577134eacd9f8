package winejvm;

/** Java exceptions for native callers to see. */
public class Failures {
    public static void fail(String message) {
        throw new IllegalStateException(message);
    }

    /** Recursion deep enough to need a correctly known stack, but well inside it. */
    public static int depth(int levels) {
        return levels == 0 ? 0 : 1 + depth(levels - 1);
    }

    /** Never ends: the VM must stop it with a StackOverflowError. */
    public static int bottomless(int level) {
        return bottomless(level + 1) + 1;
    }
}
