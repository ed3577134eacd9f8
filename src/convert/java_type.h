// A Java parameter type as the conversions see it: its slash-form name ("int",
// "java/lang/String", "[I"), its class where known, and what kind of type the name is, worked
// out once so that no call compares names again.
#pragma once

#include <jni.h>

#include <cstdint>

namespace tavlin {

enum class ParameterKind : uint8_t {
    Boolean,
    Byte,
    Short,
    Char,
    Int,
    Long,
    Float,
    Double,
    String,
    Date,
    Array,
    Reference,  // any other class: java.lang.Object, interfaces, user classes
};

struct ParameterShape {
    ParameterKind kind;
    bool boxed;  // java.lang.Integer rather than int, and so on
};

ParameterShape parameter_shape(const char *type_name);

struct JavaType {
    JavaType(const char *type_name, jclass type_class)
        : name(type_name), klass(type_class), shape(parameter_shape(type_name))
    {
    }
    JavaType(const char *type_name, jclass type_class, ParameterShape known, bool constructor_parameter = false)
        : name(type_name), klass(type_class), shape(known), of_constructor(constructor_parameter)
    {
    }

    const char *name;
    jclass klass;  // used to refuse objects the parameter cannot take; may be null
    ParameterShape shape;
    // A constructor's parameter: a class made from text parses it (BigDecimal(String)), so a
    // decimal argument may cross as its exact digits.
    bool of_constructor = false;

    bool is_primitive() const { return !shape.boxed && shape.kind <= ParameterKind::Double; }
};

}  // namespace tavlin
