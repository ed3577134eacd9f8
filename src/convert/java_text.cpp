#include "convert/java_text.h"

#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "util/holders.h"

namespace tavlin {

static_assert(sizeof(jchar) == sizeof(OLECHAR), "Java and automation text share UTF-16 code units");

LocalRef<jstring> new_java_string(JNIEnv *env, BSTR text)
{
    static const jchar kNoText = 0;
    const jchar *units = text ? reinterpret_cast<const jchar *>(text) : &kNoText;
    return jni::new_string(env, units, static_cast<jsize>(SysStringLen(text)));
}

BSTR new_bstr(JNIEnv *env, jstring string)
{
    jsize length = env->GetStringLength(string);
    AutoBstr text(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (!text) throw new TavlinEx("Unable to allocate string.");
    jni::get_string_region(env, string, 0, length, reinterpret_cast<jchar *>(text.get()));
    return text.release();
}

}  // namespace tavlin
