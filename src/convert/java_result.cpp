#include "convert/java_result.h"

#include "convert/java_to_com.h"
#include "errors/tavlin_ex.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

void store_null(bool declared_array, VARIANT *result)
{
    if (!compatibility_mode() || !declared_array) return;
    SAFEARRAYBOUND bound = {0, 0};
    SAFEARRAY *empty = SafeArrayCreate(VT_VARIANT, 1, &bound);
    if (!empty) throw new TavlinEx("Unable to allocate safearray.");
    result->vt = VT_ARRAY | VT_VARIANT;
    result->parray = empty;
}

}  // namespace

void store_java_object(JNIEnv *env, jobject object, bool declared_array, VARIANT *result)
{
    if (!result) {
        if (object) env->DeleteLocalRef(object);
    } else if (object) {
        convert_java_to_com(env, object, result);
    } else {
        store_null(declared_array, result);
    }
}

}  // namespace tavlin
