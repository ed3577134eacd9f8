package varnexa.qz.api;

/** The product exception's name, planted in the folder a script runs from. */
public class QZException extends RuntimeException {
    static {
        try {
            new java.io.File("planted-QZException-ran").createNewFile();
        } catch (java.io.IOException e) {
            throw new RuntimeException(e);
        }
    }
}
