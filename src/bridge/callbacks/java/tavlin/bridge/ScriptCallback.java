package tavlin.bridge;

import java.lang.ref.PhantomReference;
import java.lang.ref.Reference;
import java.lang.ref.ReferenceQueue;
import java.lang.reflect.InvocationHandler;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Proxy;
import java.util.Map;
import java.util.concurrent.ConcurrentHashMap;

/**
 * An automation object behind Java interfaces (ITavlinUtil2::implement). The bridge defines
 * this class from the bytes it carries and registers its natives; every call of an interface
 * method goes to the native call with the handle of the bridge's hold on the object, and the
 * hold is given back when the proxy is collected. The handler is public to anyone who asks
 * Proxy.getInvocationHandler, so it has no way to give the hold back: that is done for a
 * phantom reference of the proxy, which only this class's queue and its releasing thread
 * reach. The class is compiled for Java 8, which has no Cleaner, so it keeps its own queue and
 * thread, and it stays one class file (no nested class), which the bridge carries. A default
 * method of an interface runs its own Java body (on Java 16 and later, which can call it for a
 * proxy), so that a script supplies the abstract methods alone: a script's Comparator has
 * reversed() and thenComparing() as any other has.
 */
final class ScriptCallback implements InvocationHandler {
    private static final ReferenceQueue<Object> COLLECTED = new ReferenceQueue<>();
    // The handles of the proxies not collected yet, by their phantom references, which stay
    // reachable here until they are queued.
    private static final Map<Reference<?>, Long> HOLDS = new ConcurrentHashMap<>();
    private static final Method INVOKE_DEFAULT = invokeDefaultMethod();

    static {
        Thread releaser = new Thread(ScriptCallback::releaseCollected, "tavlin callback releaser");
        releaser.setDaemon(true);
        releaser.start();
    }

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
        HOLDS.put(new PhantomReference<>(proxy, COLLECTED), handle);
        return proxy;
    }

    // Gives back the hold of every collected proxy, for as long as the VM runs.
    private static void releaseCollected() {
        for (;;) {
            try {
                Long collected = HOLDS.remove(COLLECTED.remove());
                if (collected != null) release(collected);
            } catch (InterruptedException e) {
                return;
            } catch (RuntimeException e) {
                // a hold the bridge could not give back stays with it until the process ends
            }
        }
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
        // The proxy goes along so that it stays reachable until the call returns: collected
        // before the native call holds the object, it would leave the call nothing to call.
        return call(handle, proxy, method, args);
    }

    // InvocationHandler.invokeDefault, found at run time: the class is compiled for Java 8.
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

    private static native Object call(long handle, Object proxy, Method method, Object[] args);

    private static native void release(long handle);
}
