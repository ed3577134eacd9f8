// newInstance: constructs a Java object by class name and hands back a proxy for it.
#include <memory>
#include <new>

#include "bridge/proxy.h"
#include "bridge/tavlin_util.h"
#include "convert/java_class_name.h"
#include "convert/type_names.h"
#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "javaref/tavlin_ex.h"
#include "vmhost/se_exception.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

// Every failure of newInstance reports this code; it is not E_FAIL.
const HRESULT kNewInstanceFailed = static_cast<HRESULT>(0xFFFFFFFF);

IDispatch *construct(JNIEnv *env, BSTR classname)
{
    java_reflect.init(env);
    CMallocString narrow = bstr_to_multibyte(classname, CP_ACP);
    if (!narrow) throw new TavlinEx("Invalid Java class name");
    const std::string name = slash_form(narrow.get());
    CLocalRef klass(env, env->FindClass(name.c_str()));
    TavlinEx::check_exception(env);
    jmethodID constructor = env->GetMethodID(klass.as<jclass>(), "<init>", "()V");
    TavlinEx::check_exception(env);
    CLocalRef object(env, env->NewObject(klass.as<jclass>(), constructor));
    TavlinEx::check_exception(env);
    return new_proxy(env, object.get(), name.c_str());
}

// Detaches the thread; a refusal is a failure of the call, never an exception leaving it.
bool detached()
{
    try {
        detach_thread();
        return true;
    } catch (TavlinEx *error) {
        delete error;
        return false;
    }
}

}  // namespace

HRESULT STDMETHODCALLTYPE CTavlinUtil::newInstance(BSTR classname, IDispatch **proxy)
{
    if (!proxy) return E_POINTER;
    IDispatch *made = nullptr;
    try {
        made = construct(get_env(), classname);
    } catch (TavlinEx *error) {
        delete error;
        detached();
        return kNewInstanceFailed;
    } catch (SE_Exception *error) {
        delete error;
        return E_FAIL;
    } catch (const std::bad_alloc &) {
        detached();
        return kNewInstanceFailed;
    }
    if (!detached()) {
        made->Release();
        return kNewInstanceFailed;
    }
    *proxy = made;
    return S_OK;
}

}  // namespace tavlin
