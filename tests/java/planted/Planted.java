/** A class somebody left in the folder a script runs from; it must never be loaded. */
public class Planted {
    static {
        try {
            new java.io.File("planted-Planted-ran").createNewFile();
        } catch (java.io.IOException e) {
            throw new RuntimeException(e);
        }
    }
}
