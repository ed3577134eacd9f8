package tavlin.bridge;

import java.lang.ref.Cleaner;
import java.lang.ref.Reference;
import java.lang.reflect.InvocationHandler;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Proxy;

/**
 * An automation object behind Java interfaces (ITavlinUtil2::implement). The bridge defines
 * this class from the bytes it carries and registers its natives; every call of an interface
 * method goes to the native call with the handle of the bridge's hold on the object, and the
 * hold is given back when the proxy is collected. The handler is public to anyone who asks
 * Proxy.getInvocationHandler, so it has no way to give the hold back: the cleaning action is
 * an object of its own that only the cleaner holds (and that must not reach the proxy). A
 * default method of an interface runs its own Java body (on Java 16 and later, which can call
 * it for a proxy), so that a script supplies the abstract methods alone: a script's Comparator
 * has reversed() and thenComparing() as any other has.
 */
final class ScriptCallback implements InvocationHandler {
    private static final Cleaner CLEANER = Cleaner.create();
    private static final Method INVOKE_DEFAULT = invokeDefaultMethod();

    private final long handle;

    private ScriptCallback(long handle) {
        this.handle = handle;
    }

    /** A proxy of the interfaces that calls the object held by handle; null loader for the boot classes. */
    static Object make(Class<?>[] interfaces, long handle) {
        ClassLoader loader = null;
        for (Class<?> type : interfaces) {
            if (type.getClassLoader() != null) loader = type.getClassLoader();
        }
        Object proxy = Proxy.newProxyInstance(loader, interfaces, new ScriptCallback(handle));
        CLEANER.register(proxy, () -> release(handle));
        return proxy;
    }

    @Override
    public Object invoke(Object proxy, Method method, Object[] args) throws Throwable {
        if (method.getDeclaringClass() == Object.class) return answeredHere(proxy, method, args);
        if (method.isDefault() && INVOKE_DEFAULT != null) {
            try {
                return INVOKE_DEFAULT.invoke(null, proxy, method, args);
            } catch (InvocationTargetException e) {
                throw e.getCause();
            }
        }
        try {
            return call(handle, method, args);
        } finally {
            // The proxy stays reachable until the call returns: collected before the native call
            // holds the object, it would leave the call nothing to call.
            Reference.reachabilityFence(proxy);
        }
    }

    // InvocationHandler.invokeDefault, found at run time: the class is compiled for Java 9.
    private static Method invokeDefaultMethod() {
        try {
            return InvocationHandler.class.getMethod("invokeDefault", Object.class, Method.class, Object[].class);
        } catch (NoSuchMethodException e) {
            return null;
        }
    }

    // equals, hashCode and toString are those of the proxy's identity.
    private static Object answeredHere(Object proxy, Method method, Object[] args) {
        switch (method.getName()) {
            case "equals":
                return proxy == args[0];
            case "hashCode":
                return System.identityHashCode(proxy);
            default:
                return "automation object as " + proxy.getClass().getInterfaces()[0].getName() + "@"
                        + Integer.toHexString(System.identityHashCode(proxy));
        }
    }

    private static native Object call(long handle, Method method, Object[] args);

    private static native void release(long handle);
}
