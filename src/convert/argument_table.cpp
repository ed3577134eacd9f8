#include "convert/argument_table.h"

#include <cmath>
#include <iterator>

#include "convert/exact_decimal.h"
#include "convert/jni_arrays.h"
#include "convert/proxies.h"
#include "convert/variant_refs.h"
#include "util/unaligned.h"

namespace tavlin {

namespace {

using Kind = ParameterKind;

// The classes that arguments become for a parameter of another class.
constexpr JavaClass kNoClass{nullptr, nullptr};
constexpr JavaClass kBooleanClass{"java/lang/Boolean", &CJavaReflect::boolean_class};
constexpr JavaClass kByteClass{"java/lang/Byte", &CJavaReflect::byte_class};
constexpr JavaClass kShortClass{"java/lang/Short", &CJavaReflect::short_class};
constexpr JavaClass kCharacterClass{"java/lang/Character", &CJavaReflect::character_class};
constexpr JavaClass kIntegerClass{"java/lang/Integer", &CJavaReflect::integer_class};
constexpr JavaClass kFloatClass{"java/lang/Float", &CJavaReflect::float_class};
constexpr JavaClass kDoubleClass{"java/lang/Double", &CJavaReflect::double_class};
constexpr JavaClass kStringClass{"java/lang/String", &CJavaReflect::string_class};
constexpr JavaClass kDateClass{"java/util/Date", &CJavaReflect::date_class};
constexpr JavaClass kBigDecimalClass{"java/math/BigDecimal", &CJavaReflect::big_decimal_class};
constexpr JavaClass kArrayListClass{"java/util/ArrayList", &CJavaReflect::array_list_class};
constexpr JavaClass kLinkedHashMapClass{"java/util/LinkedHashMap", &CJavaReflect::linked_hash_map_class};

constexpr ParameterKinds kNumbers = kinds_of(Kind::Byte) | kinds_of(Kind::Short) | kinds_of(Kind::Char) |
                                    kinds_of(Kind::Int) | kinds_of(Kind::Long) | kinds_of(Kind::Float) |
                                    kinds_of(Kind::Double);
constexpr ParameterKinds kBoolean = kinds_of(Kind::Boolean), kString = kinds_of(Kind::String),
                         kDate = kinds_of(Kind::Date), kArray = kinds_of(Kind::Array),
                         kOtherClass = kinds_of(Kind::Reference);
constexpr ParameterKinds kEveryKind = kBoolean | kNumbers | kString | kDate | kArray | kOtherClass;

using C = Closeness;
using R = Rules;
using V = Conversion;

}  // namespace

constexpr ArgumentRow kArgumentRows[] = {
    // Each row: argument, parameter kinds, closeness, rules, conversion, the class it becomes.
    // Whatever no row below names: the platform's coercion into a boolean (non-zero numbers,
    // "True") or a date, into a number for a lone method only ("42"), never into text; an
    // array where it is one (a script's array included); for another class, what its own
    // type makes, and nothing where that is none.
    {Argument::Any, kBoolean, C::Never, R::Both, V::Scalar, kNoClass},
    {Argument::Any, kNumbers, C::Never, R::LenientOnly, V::Scalar, kNoClass},
    {Argument::Any, kString, C::Never, R::Neither, V::Text, kNoClass},
    {Argument::Any, kDate, C::Never, R::Both, V::Date, kNoClass},
    {Argument::Any, kArray, C::Never, R::Both, V::Array, kNoClass},
    {Argument::Any, kOtherClass, C::Never, R::Both, V::OtherClass, kNoClass},
    // Empty and Null pass null (0 for a primitive); a null object passes null where an object
    // goes, and nowhere else, as no conversion makes a number, text, a date or an array of it.
    {Argument::Null, kEveryKind, C::Null, R::Both, V::Zero, kNoClass},
    {Argument::Nothing, kOtherClass, C::Exact, R::Both, V::OtherClass, kNoClass},
    // A boolean converts into a number (true is -1) without ever fitting one.
    {Argument::Boolean, kBoolean, C::Exact, R::Both, V::Scalar, kNoClass},
    {Argument::Boolean, kNumbers, C::Never, R::Both, V::Scalar, kNoClass},
    {Argument::Boolean, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kBooleanClass},
    // Numbers. The strict rule leaves out currency, and unsigned bytes, which clients send for
    // booleans: for another class one becomes a Boolean, and so never fits there.
    {Argument::I1, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::I1, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kByteClass},
    {Argument::UI1, kNumbers, C::Number, R::LenientOnly, V::Scalar, kNoClass},
    {Argument::UI1, kOtherClass, C::Never, R::Both, V::OtherClass, kBooleanClass},
    {Argument::I2, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::I2, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kShortClass},
    {Argument::UI2, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::UI2, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kCharacterClass},
    {Argument::I4, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::I4, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kIntegerClass},
    {Argument::Int, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::UI4, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::UInt, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::I8, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::UI8, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::R4, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::R4, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kFloatClass},
    {Argument::R8, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::R8, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kDoubleClass},
    {Argument::Currency, kNumbers, C::Number, R::LenientOnly, V::Scalar, kNoClass},
    {Argument::Decimal, kNumbers, C::Number, R::Both, V::Scalar, kNoClass},
    {Argument::Text, kString, C::Exact, R::Both, V::Text, kNoClass},
    // A one-letter text is that char (withDelimiter(";")), ranked just after a String, so that
    // a name taking either keeps taking the String; other text coerces as into any number.
    {Argument::Text, kinds_of(Kind::Char), C::OneCharacter, R::Both, V::Character, kNoClass},
    {Argument::Text, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kStringClass},
    // A currency or decimal is the exact BigDecimal for a parameter that holds one (a Number,
    // an Object), and a constructor's text parameter takes its exact digits: a double would
    // make CCur(19.99) 19.98999... Each ranks before a double only where the double would
    // change the value (see argument_fit).
    {Argument::Currency, kOtherClass, C::ExactDecimal, R::Both, V::ExactDecimal, kBigDecimalClass},
    {Argument::Currency, kString, C::DecimalText, R::Both, V::DecimalText, kNoClass},
    {Argument::Decimal, kOtherClass, C::ExactDecimal, R::Both, V::ExactDecimal, kBigDecimalClass},
    {Argument::Decimal, kString, C::DecimalText, R::Both, V::DecimalText, kNoClass},
    {Argument::Date, kDate, C::Exact, R::Both, V::Date, kNoClass},
    {Argument::Date, kOtherClass, C::OwnClass, R::Both, V::OtherClass, kDateClass},
    // A proxy whose object is an instance of the parameter's class passes that object (the
    // conversion lends it before it reads any row); any other converts as any argument would.
    {Argument::Proxy, kBoolean, C::Instance, R::Both, V::Scalar, kNoClass},
    {Argument::Proxy, kNumbers, C::Instance, R::LenientOnly, V::Scalar, kNoClass},
    {Argument::Proxy, kString, C::Instance, R::Neither, V::Text, kNoClass},
    {Argument::Proxy, kDate, C::Instance, R::Both, V::Date, kNoClass},
    {Argument::Proxy, kArray, C::Instance, R::Both, V::Array, kNoClass},
    {Argument::Proxy, kOtherClass, C::ObjectClass, R::Both, V::OtherClass, kNoClass},
    {Argument::Foreign, kOtherClass, C::Callback, R::Both, V::Callback, kNoClass},
    {Argument::Array, kArray, C::Array, R::Both, V::Array, kNoClass},
    {Argument::Array, kOtherClass, C::ArrayClass, R::Both, V::ArrayOrList, kNoClass},
    // A script's data, recognised only for a parameter that could hold what it becomes. Its
    // rules are those of any other automation object, so that an outright refusal never needs
    // to tell them apart; for any kind not named it converts as any other object would.
    {Argument::ScriptArray, kOtherClass, C::ScriptList, R::Both, V::ArrayOrList, kArrayListClass},
    {Argument::ScriptMap, kOtherClass, C::ScriptData, R::Both, V::ScriptMap, kLinkedHashMapClass},
    {Argument::ScriptDate, kDate, C::Exact, R::Both, V::ScriptDate, kNoClass},
    {Argument::ScriptDate, kOtherClass, C::DateOrCalendar, R::Both, V::ScriptDate, kDateClass},
};

namespace {

constexpr uint8_t kNoRow = 0xFF;
static_assert(std::size(kArgumentRows) < kNoRow, "row numbers fit a byte");

constexpr bool row_covers(const ArgumentRow &row, Argument argument, size_t kind)
{
    return row.argument == argument && (row.parameters & (1u << kind));
}

// How many rows name the pair.
constexpr int rows_naming(Argument argument, size_t kind)
{
    int count = 0;
    for (const ArgumentRow &row : kArgumentRows) count += row_covers(row, argument, kind) ? 1 : 0;
    return count;
}

constexpr uint8_t first_row_naming(Argument argument, size_t kind)
{
    for (size_t r = 0; r < std::size(kArgumentRows); ++r)
        if (row_covers(kArgumentRows[r], argument, kind)) return static_cast<uint8_t>(r);
    return kNoRow;
}

// What a row's closeness and conversion need of it: a fit by the class an argument becomes
// names that class, a fit by number is for numbers, a scalar conversion for scalars.
constexpr bool row_is_whole(const ArgumentRow &row)
{
    const bool by_class = row.closeness == Closeness::OwnClass || row.closeness == Closeness::ExactDecimal ||
                          row.closeness == Closeness::ScriptList || row.closeness == Closeness::ScriptData ||
                          row.closeness == Closeness::DateOrCalendar;
    if (by_class && !row.becomes.klass) return false;
    if (row.closeness == Closeness::Number && (row.parameters & ~kNumbers)) return false;
    return row.conversion != Conversion::Scalar || !(row.parameters & ~(kBoolean | kNumbers));
}

// Every row is whole, every kind has one row for any argument, and no pair is named twice.
constexpr bool rows_are_whole()
{
    for (const ArgumentRow &row : kArgumentRows)
        if (!row_is_whole(row)) return false;
    for (size_t kind = 0; kind < kParameterKindCount; ++kind) {
        if (rows_naming(Argument::Any, kind) != 1) return false;
        for (size_t argument = 0; argument < kArgumentCount; ++argument)
            if (rows_naming(static_cast<Argument>(argument), kind) > 1) return false;
    }
    return true;
}
static_assert(rows_are_whole(), "whole rows, one for any argument a kind, at most one for a pair");

constexpr ArgumentRowIndex index_rows()
{
    ArgumentRowIndex index{};
    for (size_t argument = 0; argument < kArgumentCount; ++argument)
        for (size_t kind = 0; kind < kParameterKindCount; ++kind) {
            uint8_t own = first_row_naming(static_cast<Argument>(argument), kind);
            index.row[argument][kind] = own != kNoRow ? own : first_row_naming(Argument::Any, kind);
        }
    return index;
}

// The automation types that carry a value, by their own number.
constexpr struct {
    VARTYPE type;
    Argument argument;
} kValueTypes[] = {
    {VT_BOOL, Argument::Boolean}, {VT_I1, Argument::I1},       {VT_UI1, Argument::UI1},
    {VT_I2, Argument::I2},        {VT_UI2, Argument::UI2},     {VT_I4, Argument::I4},
    {VT_INT, Argument::Int},      {VT_UI4, Argument::UI4},     {VT_UINT, Argument::UInt},
    {VT_I8, Argument::I8},        {VT_UI8, Argument::UI8},     {VT_R4, Argument::R4},
    {VT_R8, Argument::R8},        {VT_CY, Argument::Currency}, {VT_DECIMAL, Argument::Decimal},
    {VT_BSTR, Argument::Text},    {VT_DATE, Argument::Date},
};

constexpr ValueTypeIndex index_value_types()
{
    ValueTypeIndex index{};
    for (Argument &argument : index.argument) argument = Argument::Other;
    for (const auto &value_type : kValueTypes) index.argument[value_type.type] = value_type.argument;
    return index;
}

}  // namespace

constexpr ArgumentRowIndex kArgumentRowIndex = index_rows();
constexpr ValueTypeIndex kValueTypeIndex = index_value_types();

// The rows follow ParameterKind's order, so that a kind's row is found by its number.
constexpr ScalarRow kScalarRows[kScalarKindCount] = {
    {Kind::Boolean, ScalarRow::kNotANumber, false, 0, 0, VT_BOOL, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.z = (v.boolVal & 0xFF) != 0;
         return j;
     },
     &CJavaReflect::boolean_class, &CJavaReflect::boolean_init},
    {Kind::Byte, 0, true, -128, 127, VT_I1, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.b = static_cast<jbyte>(v.cVal);
         return j;
     },
     &CJavaReflect::byte_class, &CJavaReflect::byte_init},
    {Kind::Short, 2, true, -32768, 32767, VT_I2, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.s = v.iVal;
         return j;
     },
     &CJavaReflect::short_class, &CJavaReflect::short_init},
    {Kind::Char, 3, true, 0, 65535, VT_UI2, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.c = v.uiVal;
         return j;
     },
     &CJavaReflect::character_class, &CJavaReflect::character_init},
    {Kind::Int, 4, true, INT32_MIN, INT32_MAX, VT_I4, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.i = v.lVal;
         return j;
     },
     &CJavaReflect::integer_class, &CJavaReflect::integer_init},
    {Kind::Long, 6, true, INT64_MIN, INT64_MAX, VT_R8, true,
     [](const VARIANT &v) {
         jvalue j;
         j.j = v.vt == VT_I8 ? v.llVal : double_to_long(v.dblVal);
         return j;
     },
     &CJavaReflect::long_class, &CJavaReflect::long_init},
    {Kind::Float, 8, false, 0, 0, VT_R4, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.f = v.fltVal;
         return j;
     },
     &CJavaReflect::float_class, &CJavaReflect::float_init},
    {Kind::Double, 10, false, 0, 0, VT_R8, false,
     [](const VARIANT &v) {
         jvalue j;
         j.d = v.dblVal;
         return j;
     },
     &CJavaReflect::double_class, &CJavaReflect::double_init},
};

namespace {

constexpr bool scalar_rows_in_kind_order()
{
    for (size_t i = 0; i < kScalarKindCount; ++i)
        if (static_cast<size_t>(kScalarRows[i].kind) != i) return false;
    return true;
}
static_assert(scalar_rows_in_kind_order(), "kScalarRows[kind] is the row of kind");

constexpr double kTwoTo63 = 9223372036854775808.0;

NumberValue from_integer(int64_t value)
{
    double real = static_cast<double>(value);
    bool exact = real < kTwoTo63 && static_cast<int64_t>(real) == value;
    return {true, true, value, real, exact};
}

NumberValue from_unsigned(uint64_t value)
{
    if (value <= static_cast<uint64_t>(INT64_MAX)) return from_integer(static_cast<int64_t>(value));
    double real = static_cast<double>(value);
    bool exact = real < 2 * kTwoTo63 && static_cast<uint64_t>(real) == value;
    return {true, false, 0, real, exact};
}

NumberValue from_real(double value)
{
    bool integral = std::isfinite(value) && value == std::trunc(value);
    bool fits = integral && value >= -kTwoTo63 && value < kTwoTo63;
    return {integral, fits, fits ? static_cast<int64_t>(value) : 0, value, true};
}

// Currency keeps four decimal places; a fraction is taken as its nearest double, as the
// platform's own coercion gives it.
NumberValue from_currency(const CY &value)
{
    const int64_t units = value.int64;
    if (units % 10000 == 0) return from_integer(units / 10000);
    NumberValue number{false, false, 0, static_cast<double>(units) / 10000.0, true};
    number.double_rounds = double_rounds_currency(value);
    return number;
}

// A whole decimal within 64 bits is an integer; any other is taken as its nearest double.
NumberValue from_decimal(const DECIMAL &value)
{
    NumberValue number{false, false, 0, 0, false};
    if (value.scale == 0 && value.Hi32 == 0 && value.Lo64 <= static_cast<uint64_t>(INT64_MAX)) {
        int64_t magnitude = static_cast<int64_t>(value.Lo64);
        number = from_integer(value.sign ? -magnitude : magnitude);
    } else {
        VARIANT decimal, real;
        VariantInit(&real);
        decimal.decVal = value;
        decimal.vt = VT_DECIMAL;
        if (SUCCEEDED(VariantChangeType(&real, &decimal, 0, VT_R8))) number = {false, false, 0, real.dblVal, true};
    }
    number.double_rounds = double_rounds_decimal(value);
    return number;
}

}  // namespace

// In Argument's order, from I1 on.
constexpr AutomationNumber kAutomationNumbers[kAutomationNumberCount] = {
    {Argument::I1, Kind::Byte, true, 0, [](const void *d) { return from_integer(read_unaligned<CHAR>(d)); }},
    {Argument::UI1, Kind::Byte, false, 1, [](const void *d) { return from_integer(read_unaligned<BYTE>(d)); }},
    {Argument::I2, Kind::Short, true, 2, [](const void *d) { return from_integer(read_unaligned<SHORT>(d)); }},
    {Argument::UI2, Kind::Char, true, 3, [](const void *d) { return from_integer(read_unaligned<USHORT>(d)); }},
    {Argument::I4, Kind::Int, true, 4, [](const void *d) { return from_integer(read_unaligned<LONG>(d)); }},
    {Argument::Int, Kind::Int, true, 4, [](const void *d) { return from_integer(read_unaligned<INT>(d)); }},
    {Argument::UI4, Kind::Long, false, 5, [](const void *d) { return from_integer(read_unaligned<ULONG>(d)); }},
    {Argument::UInt, Kind::Long, false, 5, [](const void *d) { return from_integer(read_unaligned<UINT>(d)); }},
    {Argument::I8, Kind::Long, true, 6, [](const void *d) { return from_integer(read_unaligned<LONGLONG>(d)); }},
    {Argument::UI8, Kind::Long, false, 7, [](const void *d) { return from_unsigned(read_unaligned<ULONGLONG>(d)); }},
    {Argument::R4, Kind::Float, true, 8, [](const void *d) { return from_real(read_unaligned<float>(d)); }},
    {Argument::R8, Kind::Double, true, 10, [](const void *d) { return from_real(read_unaligned<double>(d)); }},
    {Argument::Currency, Kind::Double, false, 10, [](const void *d) { return from_currency(read_unaligned<CY>(d)); }},
    {Argument::Decimal, Kind::Double, false, 10,
     [](const void *d) { return from_decimal(read_unaligned<DECIMAL>(d)); }},
};

namespace {

constexpr bool automation_numbers_in_argument_order()
{
    for (size_t i = 0; i < kAutomationNumberCount; ++i)
        if (static_cast<size_t>(kAutomationNumbers[i].argument) != static_cast<size_t>(Argument::I1) + i) return false;
    return true;
}
static_assert(automation_numbers_in_argument_order(), "kAutomationNumbers follows Argument from I1 on");

}  // namespace

Argument argument_of_object(const VARIANT &arg, jobject &object)
{
    IDispatch *dispatch = value_or_referenced(arg, arg.pdispVal, arg.ppdispVal);
    if (!dispatch) return Argument::Nothing;
    return is_own_proxy(dispatch, object) ? Argument::Proxy : Argument::Foreign;
}

}  // namespace tavlin
