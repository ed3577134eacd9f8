// CJavaReflect: the process-wide table of Java classes (global references), method
// identifiers and calendar constants that reflection, boxing and dates need on every call.
// Filled once per process by init(), whether this library created the VM or adopted it;
// every reader comes after a successful newInstance and so finds it complete.
#pragma once

#include <jni.h>

#include <atomic>

namespace tavlin {

class CJavaReflect {
public:
    // Fills the table unless it is filled. Concurrent first callers wait for the first one;
    // a failure among the core rows leaves the table unfilled (the next call retries) and
    // is thrown as a TavlinEx.
    void init(JNIEnv *env);
    bool filled() const { return filled_.load(std::memory_order_acquire); }
    // Number of times the table was looked up from Java (for tests: stays 1 once filled).
    int fill_count() const { return fill_count_.load(); }

    jclass method_class = nullptr;  // java/lang/reflect/Method
    jmethodID method_getReturnType = nullptr;
    jmethodID method_getModifiers = nullptr;
    jmethodID method_toString = nullptr;
    jmethodID method_getName = nullptr;
    jmethodID method_getParameterTypes = nullptr;
    jclass constructor_class = nullptr;  // java/lang/reflect/Constructor
    jmethodID constructor_getModifiers = nullptr;
    jmethodID constructor_toString = nullptr;
    jmethodID constructor_getName = nullptr;
    jmethodID constructor_getParameterTypes = nullptr;
    jclass class_class = nullptr;  // java/lang/Class
    jmethodID class_getName = nullptr;
    jmethodID class_getMethods = nullptr;
    jmethodID class_getConstructors = nullptr;
    jmethodID class_getModifiers = nullptr;
    jmethodID class_isInterface = nullptr;
    jmethodID class_getFields = nullptr;
    jmethodID class_getComponentType = nullptr;
    jmethodID class_getMethod = nullptr;
    jclass field_class = nullptr;  // java/lang/reflect/Field
    jmethodID field_getName = nullptr;
    jmethodID field_getModifiers = nullptr;
    jmethodID field_getType = nullptr;
    jclass modifier_class = nullptr;          // java/lang/reflect/Modifier
    jmethodID modifier_isStatic = nullptr;    // static
    jmethodID modifier_isAbstract = nullptr;  // static
    jmethodID modifier_isFinal = nullptr;     // static
    jclass object_class = nullptr;            // java/lang/Object
    jmethodID object_getClass = nullptr;
    jclass object_array_class = nullptr;  // java/lang/Object[]
    jclass boolean_class = nullptr;
    jmethodID boolean_init = nullptr;
    jmethodID boolean_booleanValue = nullptr;
    jclass byte_class = nullptr;
    jmethodID byte_init = nullptr;
    jmethodID byte_byteValue = nullptr;
    jclass character_class = nullptr;
    jmethodID character_init = nullptr;
    jmethodID character_charValue = nullptr;
    jclass short_class = nullptr;
    jmethodID short_init = nullptr;
    jmethodID short_shortValue = nullptr;
    jclass integer_class = nullptr;
    jmethodID integer_init = nullptr;
    jmethodID integer_intValue = nullptr;
    jclass long_class = nullptr;
    jmethodID long_init = nullptr;
    jmethodID long_longValue = nullptr;
    jclass float_class = nullptr;
    jmethodID float_init = nullptr;
    jmethodID float_floatValue = nullptr;
    jclass double_class = nullptr;
    jmethodID double_init = nullptr;
    jmethodID double_doubleValue = nullptr;
    jclass calendar_class = nullptr;    // java/util/GregorianCalendar
    jmethodID calendar_init = nullptr;  // ()V
    jmethodID calendar_setGregorianChange = nullptr;
    jmethodID calendar_clear = nullptr;
    jmethodID calendar_set = nullptr;  // (IIIIII)V: year to second
    jmethodID calendar_getTime = nullptr;
    jmethodID calendar_get = nullptr;
    jmethodID calendar_setTime = nullptr;
    // The calendar's field numbers and its era of the years after Christ.
    jint calendar_ERA = 0;
    jint calendar_YEAR = 0;
    jint calendar_MONTH = 0;
    jint calendar_DAY_OF_MONTH = 0;
    jint calendar_HOUR_OF_DAY = 0;
    jint calendar_MINUTE = 0;
    jint calendar_SECOND = 0;
    jint calendar_AD = 0;
    jclass date_class = nullptr;           // java/util/Date
    jmethodID date_init = nullptr;         // (J)V
    jclass big_decimal_class = nullptr;    // java/math/BigDecimal
    jmethodID big_decimal_init = nullptr;  // (Ljava/lang/String;)V
    // Beyond the rows above: the class of the most common result, recognised by identity.
    jclass string_class = nullptr;
    // The collection interfaces that For Each walks (see bridge/members/walk.h).
    jclass iterable_class = nullptr;
    jmethodID iterable_iterator = nullptr;
    jclass map_class = nullptr;
    jmethodID map_keySet = nullptr;
    jclass iterator_class = nullptr;
    jmethodID iterator_hasNext = nullptr;
    jmethodID iterator_next = nullptr;
    jclass enumeration_class = nullptr;
    jmethodID enumeration_hasMoreElements = nullptr;
    jmethodID enumeration_nextElement = nullptr;
    // The collections a client reaches by key or position (see bridge/members/indexing.h).
    jclass list_class = nullptr;
    // What a script's data objects become (see convert/script_data.h): a JScript array or a
    // VBScript array for a List, an object literal or a Scripting.Dictionary for a Map.
    jclass array_list_class = nullptr;
    jmethodID array_list_init = nullptr;  // (Ljava/util/Collection;)V
    jclass arrays_class = nullptr;
    jmethodID arrays_asList = nullptr;  // static
    jclass linked_hash_map_class = nullptr;
    jmethodID linked_hash_map_init = nullptr;  // ()V
    jmethodID linked_hash_map_put = nullptr;
    // The product's exception class; optional (null when its archive is not on the class
    // path), and not initialized by the lookup.
    jclass qzexception_class = nullptr;

private:
    std::atomic<bool> filled_{false};
    std::atomic<int> fill_count_{0};
};

extern CJavaReflect java_reflect;

// Whether a class or a method is abstract, by Modifier.isAbstract of what its getModifiers
// method (`get_modifiers`: class_getModifiers or method_getModifiers) answers. Throws TavlinEx*.
bool has_abstract_modifier(JNIEnv *env, jobject member, jmethodID get_modifiers);

}  // namespace tavlin
