#include "convert/script_array.h"

#include <climits>
#include <string>

#include "javaref/tavlin_ex.h"
#include "util/auto_variant.h"

namespace tavlin {

namespace {

// One property read of a script object: the member's value, or false when it has none.
bool read_member(IDispatchEx *object, const OLECHAR *name, AutoVariant &value)
{
    AutoBstr member(SysAllocString(name));
    if (!member) throw new TavlinEx("Out of memory.");
    DISPID dispid = 0;
    if (FAILED(object->GetDispID(member.get(), fdexNameCaseSensitive, &dispid))) return false;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return SUCCEEDED(
        object->InvokeEx(dispid, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(), nullptr, nullptr));
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

}  // namespace

SafeArrayHolder script_array_elements(IDispatch *object)
{
    ComPtr<IDispatchEx> script;
    LONG length = 0;
    if (!object || FAILED(object->QueryInterface(IID_IDispatchEx, script.put_void())) ||
        !read_length(script.get(), length))
        return SafeArrayHolder();
    SAFEARRAYBOUND bound = {static_cast<ULONG>(length), 0};
    SafeArrayHolder elements(SafeArrayCreate(VT_VARIANT, 1, &bound));
    if (!elements) throw new TavlinEx("Unable to allocate safearray.");
    for (LONG i = 0; i < length; ++i) {
        AutoVariant element;
        // Every position must be a member: an object with a length but no elements (a
        // function has one) is no array.
        if (!read_member(script.get(), index_name(i).c_str(), element)) return SafeArrayHolder();
        if (FAILED(SafeArrayPutElement(elements.get(), &i, element.get())))
            throw new TavlinEx("Unable to put safearray element.");
    }
    return elements;
}

}  // namespace tavlin
