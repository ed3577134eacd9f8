package varnexa.qz.api;

/** The product's exception: its key becomes the automation error's source. */
public class QZException extends RuntimeException {
    private final String key;

    public QZException(String message, String key) {
        super(message);
        this.key = key;
    }

    public String getKey() {
        return key;
    }
}
