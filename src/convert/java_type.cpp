#include "convert/java_type.h"

#include <cstring>

namespace tavlin {

namespace {

const struct {
    ParameterKind kind;
    const char *primitive;
    const char *wrapper;
} kScalarNames[] = {
    {ParameterKind::Boolean, "boolean", "java/lang/Boolean"}, {ParameterKind::Byte, "byte", "java/lang/Byte"},
    {ParameterKind::Short, "short", "java/lang/Short"},       {ParameterKind::Char, "char", "java/lang/Character"},
    {ParameterKind::Int, "int", "java/lang/Integer"},         {ParameterKind::Long, "long", "java/lang/Long"},
    {ParameterKind::Float, "float", "java/lang/Float"},       {ParameterKind::Double, "double", "java/lang/Double"},
};

}  // namespace

ParameterShape parameter_shape(const char *type_name)
{
    if (type_name[0] == '[') return {ParameterKind::Array, false};
    if (std::strcmp(type_name, "java/lang/String") == 0) return {ParameterKind::String, false};
    if (std::strcmp(type_name, "java/util/Date") == 0) return {ParameterKind::Date, false};
    for (const auto &scalar : kScalarNames) {
        if (std::strcmp(type_name, scalar.primitive) == 0) return {scalar.kind, false};
        if (std::strcmp(type_name, scalar.wrapper) == 0) return {scalar.kind, true};
    }
    return {ParameterKind::Reference, false};
}

}  // namespace tavlin
