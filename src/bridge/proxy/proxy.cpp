#include "bridge/proxy/proxy.h"

#include <memory>

#include "bridge/boundary/com_boundary.h"
#include "bridge/proxy/java_enumerator.h"
#include "errors/tavlin_ex.h"
#include "javaref/local_ref.h"
#include "util/text.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

DISPID dispid_of(const NameIndex &index, const OLECHAR *name)
{
    if (!name) return 0;
    int position = index.find(FoldedName(name));
    return position < 0 ? 0 : position + 1;
}

// Asked only by this library, of objects that clients hand back. No type library describes
// it and no proxy/stub marshals it, so only a proxy of this very module in this very
// apartment answers, and the answer is the CProxy itself rather than an interface.
const IID kOwnProxyIdentity = {0x43EC9544, 0x7892, 0x4DDA, {0x96, 0x8B, 0x8F, 0xBE, 0x51, 0xCC, 0x01, 0xEC}};

// The interfaces whose methods set the thread's error object.
const IID *const kErrorInfoInterfaces[] = {&IID_IProxy, &IID_IDispatch};

}  // namespace

void *CProxy::interface_for(REFIID iid)
{
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch) || IsEqualGUID(iid, IID_IProxy))
        return static_cast<IProxy *>(this);
    if (IsEqualGUID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo *>(this);
    if (IsEqualGUID(iid, kOwnProxyIdentity)) return this;
    return nullptr;
}

bool is_own_proxy(IDispatch *object, jobject &java_object)
{
    void *found = nullptr;
    if (!object || FAILED(object->QueryInterface(kOwnProxyIdentity, &found)) || !found) return false;
    CProxy *proxy = static_cast<CProxy *>(found);
    java_object = proxy->java_object();
    static_cast<IProxy *>(proxy)->Release();
    return true;
}

const MethodTable &CProxy::init_methods(JNIEnv *env)
{
    if (const MethodTable *table = methods()) return *table;
    CLocalRef object_class(env, is_class_ ? nullptr : env->GetObjectClass(java_object()));
    jclass described = is_class_ ? static_cast<jclass>(java_object()) : object_class.as<jclass>();
    MethodTableShare share = shared_method_table(env, described, class_name_);
    const MethodTable *first = nullptr;
    // A thread that loses the race uses the winner's table, which the winner's share keeps.
    if (!methods_.compare_exchange_strong(first, share.get(), std::memory_order_acq_rel)) return *first;
    methods_share_ = std::move(share);
    return *methods_share_;
}

HRESULT STDMETHODCALLTYPE CProxy::InterfaceSupportsErrorInfo(REFIID iid)
{
    return supports_error_info(kErrorInfoInterfaces, iid);
}

// A proxy made through its class object wraps nothing and has nothing to describe.
HRESULT STDMETHODCALLTYPE CProxy::GetTypeInfoCount(UINT *count)
{
    if (!count) return E_POINTER;
    *count = java_object_ ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProxy::GetTypeInfo(UINT index, LCID, ITypeInfo **info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0 || !java_object_) return DISP_E_BADINDEX;
    return com_boundary(
        [&] {
            CThreadAttach attach;
            *info = init_methods(attach.env())
                        .type_info(attach.env(), is_class_ ? Described::Statics : Described::Instances);
            (*info)->AddRef();
            return S_OK;
        },
        FailureCodes{IID_IDispatch, E_FAIL, E_FAIL, E_OUTOFMEMORY});
}

// A name that designates no method may designate a property; the class's properties are read
// on the first such name, so that a proxy used only by its methods never reads them.
DISPID CProxy::property_dispid(const OLECHAR *name)
{
    const PropertyTable *properties = methods()->built_properties();
    if (!properties) {
        CThreadAttach attach;
        properties = &methods()->properties(attach.env());
    }
    int position = properties->find(FoldedName(name));
    return position < 0 ? 0 : kFirstPropertyDispid + position;
}

HRESULT STDMETHODCALLTYPE CProxy::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *dispids)
{
    if (!names || !dispids) return E_INVALIDARG;
    if (count == 0) return DISP_E_UNKNOWNNAME;
    // An unknown name is DISPID_UNKNOWN: DISPID_VALUE, the object's default value, is a member.
    for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    // A proxy made through its class object wraps nothing: there is no Java to ask.
    if (!java_object_) return DISP_E_UNKNOWNNAME;
    return com_boundary(
        [&] {
            const NameIndex *index = built_names();
            if (!index) {  // the first lookup of this proxy's class reads the names from Java
                CThreadAttach attach;
                index = &init_methods(attach.env()).name_index(attach.env());
            }
            dispids[0] = member_dispid(*index, names[0]);
            if (dispids[0] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
            // The names after the first would name the member's parameters, which Java does not keep.
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        },
        FailureCodes{IID_IDispatch, DISP_E_UNKNOWNNAME, E_FAIL, E_OUTOFMEMORY});
}

// Asked in turn, each only when no member before it has the name: so a method called _NewEnum
// or Item keeps its own, and a property is never taken for a Map's key.
DISPID CProxy::member_dispid(const NameIndex &index, const OLECHAR *name)
{
    if (const DISPID method = dispid_of(index, name)) return method;
    if (!name) return DISPID_UNKNOWN;
    if (is_new_enum_name(name) && walk() != Walk::None) return DISPID_NEWENUM;
    if (const DISPID property = property_dispid(name)) return property;
    return element_dispid(name);
}

namespace {

IDispatch *new_proxy_of(JNIEnv *env, jobject object, const char *class_name, bool is_class)
{
    ComObject<CProxy> *proxy = ComObject<CProxy>::create();
    if (!proxy) throw new TavlinEx("Out of memory.");
    proxy->set_java_object(new_global_ref(env, object));
    proxy->set_class_name(class_name);
    proxy->set_is_class(is_class);
    IDispatch *dispatch = nullptr;
    proxy->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch));
    return dispatch;
}

}  // namespace

IDispatch *new_proxy(JNIEnv *env, jobject object, const char *class_name)
{
    return new_proxy_of(env, object, class_name, false);
}

IDispatch *new_class_proxy(JNIEnv *env, jclass klass, const char *class_name)
{
    return new_proxy_of(env, klass, class_name, true);
}

}  // namespace tavlin
