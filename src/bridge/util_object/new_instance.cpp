// newInstance: constructs a Java object by class name and hands back a proxy for it.
#include <string>

#include "bridge/boundary/com_boundary.h"
#include "bridge/members/class_lookup.h"
#include "bridge/proxy/proxy.h"
#include "bridge/util_object/tavlin_util.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

// Every failure of newInstance reports this code; it is not E_FAIL.
const HRESULT kNewInstanceFailed = static_cast<HRESULT>(0xFFFFFFFF);

// newInstance tells of a Java exception as Java prints it ("<class>: <message>"): with one
// failure code for everything, the error object is the client's only way to learn what went
// wrong. Errors that are no Java exception, or that the class lookup has said already, keep
// their text.
TavlinEx *as_java_prints_it(TavlinExPtr error)
{
    if (error->java_class().empty()) return error.release();
    const OleString text = error->java_text();
    return new TavlinEx(text.data(), text.size(), error->source(), error->source_length());
}

IDispatch *construct(JNIEnv *env, BSTR classname)
{
    java_reflect.init(env);
    const std::string name = requested_class_name(classname);
    try {
        NamedClass klass(env, name);
        const CLocalRef object = jni::new_object(env, klass.get(), klass.no_argument_constructor(env));
        return new_proxy(env, object.get(), name.c_str());
    } catch (TavlinEx *error) {
        throw as_java_prints_it(TavlinExPtr(error));
    }
}

}  // namespace

HRESULT STDMETHODCALLTYPE CTavlinUtil::newInstance(BSTR classname, IDispatch **proxy)
{
    if (!proxy) return E_POINTER;
    return com_boundary(
        [&] {
            *proxy = construct(get_env(), classname);
            return S_OK;
        },
        FailureCodes{IID_ITavlinUtil, kNewInstanceFailed, E_FAIL, kNewInstanceFailed});
}

}  // namespace tavlin
