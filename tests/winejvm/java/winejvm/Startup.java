package winejvm;

import java.lang.management.ManagementFactory;

/** What the VM made of the start-up options it was given. */
public class Startup {
    public static String inputArguments() {
        return String.join("\n", ManagementFactory.getRuntimeMXBean().getInputArguments());
    }

    public static String property(String name) {
        return System.getProperty(name);
    }
}
