#include "convert/script_array.h"

#include <climits>
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

// One property read of a script object: the member's value, or false when it has none.
bool read_member(IDispatchEx *object, const OLECHAR *name, AutoVariant &value)
{
    DISPID dispid = 0;
    if (!find_member(object, name, dispid)) return false;
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

}  // namespace

SafeArrayHolder script_array_elements(IDispatch *object)
{
    ComPtr<IDispatchEx> script;
    LONG length = 0;
    std::vector<AutoVariant> elements;
    if (!object || FAILED(object->QueryInterface(IID_IDispatchEx, script.put_void())) ||
        !read_length(script.get(), length) || !read_elements(script.get(), length, elements))
        return SafeArrayHolder();
    SafeArrayHolder array = new_safe_array(VT_VARIANT, {{static_cast<ULONG>(elements.size()), 0}});
    SafeArrayLockGuard lock(array.get(), "Unable to put safearray element.");
    VARIANT *slots = static_cast<VARIANT *>(array.get()->pvData);
    for (size_t i = 0; i < elements.size(); ++i) slots[i] = elements[i].release();
    return array;
}

}  // namespace tavlin
