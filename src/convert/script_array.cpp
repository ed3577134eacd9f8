#include "convert/script_array.h"

#include <climits>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "convert/safe_array_elements.h"
#include "convert/safe_array_lock.h"
#include "errors/tavlin_ex.h"
#include "util/auto_variant.h"

namespace tavlin {

namespace {

// The member's DISPID, or false when the object has no member of that name.
bool find_member(IDispatchEx *object, const OLECHAR *name, DISPID &dispid)
{
    AutoBstr member(SysAllocString(name));
    if (!member) throw new TavlinEx("Out of memory.");
    return SUCCEEDED(object->GetDispID(member.get(), fdexNameCaseSensitive, &dispid));
}

bool has_member(IDispatchEx *object, const OLECHAR *name)
{
    DISPID dispid = 0;
    return find_member(object, name, dispid);
}

// Every JScript object inherits hasOwnProperty; another engine's objects (a VBScript class's)
// have no such member.
bool is_jscript_object(IDispatchEx *object) { return has_member(object, TAVLIN_WIDEN("hasOwnProperty")); }

// One read of a script object's member without arguments (a property, or with
// DISPATCH_METHOD a method's result): its value, or false when it has none.
bool read_member(IDispatchEx *object, const OLECHAR *name, AutoVariant &value, WORD flags = DISPATCH_PROPERTYGET)
{
    DISPID dispid = 0;
    if (!find_member(object, name, dispid)) return false;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return SUCCEEDED(object->InvokeEx(dispid, LOCALE_USER_DEFAULT, flags, &none, value.put(), nullptr, nullptr));
}

// The array's length, when the object has one that an array could have.
bool read_length(IDispatchEx *object, LONG &length)
{
    AutoVariant value;
    if (!read_member(object, TAVLIN_WIDEN("length"), value) || FAILED(value.change_type(VT_R8))) return false;
    const double number = value->dblVal;
    if (!(number >= 0 && number <= INT_MAX) || number != static_cast<double>(static_cast<LONG>(number))) return false;
    length = static_cast<LONG>(number);
    return true;
}

OleString index_name(LONG index)
{
    const std::string digits = std::to_string(index);
    return OleString(digits.begin(), digits.end());
}

// The length is the script's claim (`a.length = 268435457` gives an array of three elements
// that length), so the last element must be there before any is read, and the elements are
// gathered as they are read, never allocated at the length. Every position must be a member:
// an object with a length but no elements, as a function has, is no array.
bool read_elements(IDispatchEx *script, LONG length, std::vector<AutoVariant> &elements)
{
    DISPID last = 0;
    if (length > 0 && !find_member(script, index_name(length - 1).c_str(), last)) return false;
    for (LONG i = 0; i < length; ++i) {
        AutoVariant element;
        if (!read_member(script, index_name(i).c_str(), element)) return false;
        elements.push_back(std::move(element));
    }
    return true;
}

// Values gathered as they were read, moved into a one-dimensional safe array of Variants.
SafeArrayHolder variant_vector(std::vector<AutoVariant> &values)
{
    SafeArrayHolder array = new_safe_array(VT_VARIANT, {{static_cast<ULONG>(values.size()), 0}});
    SafeArrayLockGuard lock(array.get(), "Unable to put safearray element.");
    VARIANT *slots = static_cast<VARIANT *>(array.get()->pvData);
    for (size_t i = 0; i < values.size(); ++i) slots[i] = values[i].release();
    return array;
}

ComPtr<IDispatchEx> script_object(IDispatch *object)
{
    ComPtr<IDispatchEx> script;
    if (object && FAILED(object->QueryInterface(IID_IDispatchEx, script.put_void()))) script.reset();
    return script;
}

// A member of an automation object without IDispatchEx, by its name in any case.
bool find_name(IDispatch *object, const OLECHAR *name, DISPID &dispid)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid));
}

bool is_dictionary(IDispatch *object)
{
    DISPID keys = 0, items = 0;
    return find_name(object, TAVLIN_WIDEN("Keys"), keys) && find_name(object, TAVLIN_WIDEN("Items"), items);
}

// A dictionary's Keys() or Items(): a one-dimensional array of Variants, as Scripting.Dictionary
// answers them, or null.
SafeArrayHolder dictionary_list(IDispatch *object, const OLECHAR *name)
{
    DISPID dispid = 0;
    AutoVariant list;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!find_name(object, name, dispid) ||
        FAILED(object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                              list.put(), nullptr, nullptr)) ||
        list->vt != (VT_ARRAY | VT_VARIANT) || SafeArrayGetDim(list->parray) != 1)
        return SafeArrayHolder();
    return SafeArrayHolder(list.release().parray);
}

LONG element_count(SAFEARRAY *array)
{
    LONG low = 0, high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    return high - low + 1;
}

ScriptEntries dictionary_entries(IDispatch *object)
{
    ScriptEntries entries{dictionary_list(object, TAVLIN_WIDEN("Keys")),
                          dictionary_list(object, TAVLIN_WIDEN("Items"))};
    if (!entries.keys || !entries.values || element_count(entries.keys.get()) != element_count(entries.values.get()))
        throw new TavlinEx("The dictionary's Keys and Items do not match.");
    return entries;
}

// A JScript object's enumerable properties, as for...in gives them. Each is read as it is
// named, so nothing is allocated at a count the engine claims.
ScriptEntries property_entries(IDispatchEx *object)
{
    std::vector<AutoVariant> names, values;
    DISPID dispid = DISPID_STARTENUM;
    while (object->GetNextDispID(fdexEnumDefault, dispid, &dispid) == S_OK) {
        AutoBstr name;
        AutoVariant key, value;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (FAILED(object->GetMemberName(dispid, name.put())) ||
            FAILED(object->InvokeEx(dispid, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(), nullptr,
                                    nullptr)))
            throw new TavlinEx("A property of the script's object cannot be read.");
        key->bstrVal = name.release();
        key->vt = VT_BSTR;
        names.push_back(std::move(key));
        values.push_back(std::move(value));
    }
    return ScriptEntries{variant_vector(names), variant_vector(values)};
}

}  // namespace

SafeArrayHolder script_array_elements(IDispatch *object)
{
    ComPtr<IDispatchEx> script = script_object(object);
    LONG length = 0;
    std::vector<AutoVariant> elements;
    if (!script || !read_length(script.get(), length) || !read_elements(script.get(), length, elements))
        return SafeArrayHolder();
    return variant_vector(elements);
}

Argument script_data_of(IDispatch *object)
{
    if (ComPtr<IDispatchEx> script = script_object(object)) {
        if (has_member(script.get(), TAVLIN_WIDEN("apply"))) return Argument::Foreign;
        if (has_member(script.get(), TAVLIN_WIDEN("length"))) return Argument::ScriptArray;
        if (has_member(script.get(), TAVLIN_WIDEN("getTime"))) return Argument::ScriptDate;
        if (is_jscript_object(script.get())) return Argument::ScriptMap;
    }
    return object && is_dictionary(object) ? Argument::ScriptMap : Argument::Foreign;
}

ScriptEntries script_map_entries(IDispatch *object)
{
    ComPtr<IDispatchEx> script = script_object(object);
    if (script && is_jscript_object(script.get())) return property_entries(script.get());
    return dictionary_entries(object);
}

double script_date_time(IDispatch *object)
{
    // A JScript Date holds at most 8.64e15 milliseconds either side of 1970; an invalid one NaN.
    constexpr double kLatest = 8.64e15;
    ComPtr<IDispatchEx> script = script_object(object);
    AutoVariant time;
    if (!script || !read_member(script.get(), TAVLIN_WIDEN("getTime"), time, DISPATCH_METHOD) ||
        FAILED(time.change_type(VT_R8)) || !(std::fabs(time->dblVal) <= kLatest))
        throw new TavlinEx("The script's Date holds no valid time.");
    return time->dblVal;
}

}  // namespace tavlin
