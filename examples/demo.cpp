// A small automation client: it creates Java objects by class name and calls them through
// IDispatch, late bound, exactly as VBScript or Excel would.
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "com/interfaces.h"
#include "util/text.h"

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID *object);

namespace {

using tavlin::OleString;

// One automation value, cleared when it goes.
struct Value {
    VARIANT v;
    Value() { VariantInit(&v); }
    ~Value() { VariantClear(&v); }
    Value(const Value &) = delete;
    Value &operator=(const Value &) = delete;
    Value(Value &&other) noexcept : v(other.v) { VariantInit(&other.v); }

    static Value text(const char *utf8)
    {
        Value value;
        OleString wide = tavlin::utf8_to_ole(utf8);
        value.v.vt = VT_BSTR;
        value.v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return value;
    }
    static Value number(double d)
    {
        Value value;
        value.v.vt = VT_R8;
        value.v.dblVal = d;
        return value;
    }
    static Value integer(LONG i)
    {
        Value value;
        value.v.vt = VT_I4;
        value.v.lVal = i;
        return value;
    }
    static Value object(IDispatch *d)
    {
        Value value;
        value.v.vt = VT_DISPATCH;
        value.v.pdispVal = d;
        d->AddRef();
        return value;
    }
    std::string str() const
    {
        VARIANT copy;
        VariantInit(&copy);
        if (FAILED(VariantChangeType(&copy, &v, 0, VT_BSTR))) return "<" + std::to_string(v.vt) + ">";
        std::string result = tavlin::ole_to_utf8(copy.bstrVal, SysStringLen(copy.bstrVal));
        VariantClear(&copy);
        return result;
    }
    IDispatch *dispatch() const { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }
};

struct CallFailed {
    std::string message;
};

// Late-bound call: the name is looked up, then invoked with the arguments last-first.
Value call(IDispatch *object, const char *method, std::initializer_list<const Value *> args = {})
{
    OleString name = tavlin::utf8_to_ole(method);
    LPOLESTR names[] = {&name[0]};
    DISPID dispid = 0;
    if (FAILED(object->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &dispid)))
        throw CallFailed{std::string("no method ") + method};
    std::vector<VARIANT> reversed(args.size());
    size_t i = args.size();
    for (const Value *arg : args) reversed[--i] = arg->v;
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    Value result;
    const IID null_iid = {};
    HRESULT hr =
        object->Invoke(dispid, null_iid, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result.v, &info, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        std::string message =
            info.bstrDescription ? tavlin::ole_to_utf8(info.bstrDescription, SysStringLen(info.bstrDescription)) : "";
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        throw CallFailed{message};
    }
    if (FAILED(hr)) throw CallFailed{"Invoke failed"};
    return result;
}

// A class name as the utility object takes it, freed with the holder.
struct ClassName {
    explicit ClassName(const char *text) : name(tavlin::utf8_to_ole(text))
    {
        bstr = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    }
    ~ClassName() { SysFreeString(bstr); }
    ClassName(const ClassName &) = delete;
    ClassName &operator=(const ClassName &) = delete;

    OleString name;
    BSTR bstr;
};

// A utility method that takes a class name alone: newInstance or statics.
using ByName = HRESULT (STDMETHODCALLTYPE ITavlinUtil2::*)(BSTR, IDispatch **);

IDispatch *made_by_name(ITavlinUtil2 *util, ByName method, const char *method_name, const char *class_name)
{
    IDispatch *object = nullptr;
    if (FAILED((util->*method)(ClassName(class_name).bstr, &object)))
        throw CallFailed{std::string(method_name) + " failed for " + class_name};
    return object;
}

IDispatch *new_instance(ITavlinUtil2 *util, const char *class_name)
{
    return made_by_name(util, &ITavlinUtil2::newInstance, "newInstance", class_name);
}

// A class's static methods, without an instance.
IDispatch *statics(ITavlinUtil2 *util, const char *class_name)
{
    return made_by_name(util, &ITavlinUtil2::statics, "statics", class_name);
}

// newObject through the function table: the constructor's arguments in a safe array of
// VARIANTs, first argument first.
IDispatch *new_object(ITavlinUtil2 *util, const char *class_name, std::initializer_list<const Value *> args)
{
    SAFEARRAY *packed = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size()));
    LONG index = 0;
    for (const Value *arg : args) {
        SafeArrayPutElement(packed, &index, const_cast<VARIANT *>(&arg->v));
        ++index;
    }
    IDispatch *object = nullptr;
    HRESULT hr = util->newObject(ClassName(class_name).bstr, packed, &object);
    SafeArrayDestroy(packed);
    if (FAILED(hr)) throw CallFailed{std::string("newObject failed for ") + class_name};
    return object;
}

ITavlinUtil2 *create_util()
{
    IClassFactory *factory = nullptr;
    ITavlinUtil2 *util = nullptr;
    if (SUCCEEDED(DllGetClassObject(CLSID_TavlinUtil, IID_IClassFactory, reinterpret_cast<void **>(&factory)))) {
        factory->CreateInstance(nullptr, IID_ITavlinUtil2, reinterpret_cast<void **>(&util));
        factory->Release();
    }
    return util;
}

void run(ITavlinUtil2 *util)
{
    std::printf("Creating java.util.ArrayList and adding three fruits\n");
    IDispatch *list = new_instance(util, "java.util.ArrayList");
    for (const char *fruit : {"pear", "apple", "fig"}) {
        Value item = Value::text(fruit);
        call(list, "add", {&item});
    }
    std::printf("  list = %s, size = %s\n", call(list, "toString").str().c_str(), call(list, "size").str().c_str());

    std::printf("Sorting it with the static java.util.Collections.sort\n");
    IDispatch *collections = statics(util, "java.util.Collections");
    Value list_value = Value::object(list);
    call(collections, "sort", {&list_value});
    std::printf("  sorted = %s\n", call(list, "toString").str().c_str());

    std::printf("Computing with java.lang.Math\n");
    IDispatch *math = statics(util, "java.lang.Math");
    Value two = Value::number(2), ten = Value::number(10), root = Value::number(2);
    std::printf("  pow(2, 10) = %s, sqrt(2) = %s\n", call(math, "pow", {&two, &ten}).str().c_str(),
                call(math, "sqrt", {&root}).str().c_str());

    std::printf("Exact decimals with java.math.BigDecimal(String)\n");
    Value price_text = Value::text("19.99"), three_text = Value::text("3");
    IDispatch *price = new_object(util, "java.math.BigDecimal", {&price_text});
    IDispatch *three = new_object(util, "java.math.BigDecimal", {&three_text});
    Value three_value = Value::object(three);
    std::printf("  3 x 19.99 = %s\n",
                call(call(price, "multiply", {&three_value}).dispatch(), "toPlainString").str().c_str());

    std::printf("Passing a date in and out of java.util.Calendar\n");
    IDispatch *calendar = new_instance(util, "java.util.GregorianCalendar");
    Value date = Value::number(0);
    date.v.vt = VT_DATE;
    date.v.date = 36526.5;  // 1 January 2000, noon
    call(calendar, "setTime", {&date});
    Value days = Value::integer(45), field = Value::integer(6);  // Calendar.DAY_OF_YEAR
    call(calendar, "add", {&field, &days});
    Value moved = call(calendar, "getTime");
    std::printf("  2000-01-01 12:00 plus 45 days = %s (automation date %.1f)\n", moved.str().c_str(), moved.v.date);

    std::printf("Catching a Java exception\n");
    try {
        Value index = Value::integer(99);
        call(list, "get", {&index});
    } catch (const CallFailed &failure) {
        std::printf("  list.get(99) threw: %s\n", failure.message.c_str());
    }
    calendar->Release();
    three->Release();
    price->Release();
    math->Release();
    collections->Release();
    list->Release();
}

}  // namespace

int main()
{
    ITavlinUtil2 *util = create_util();
    if (!util) {
        std::printf("The bridge's utility object could not be created.\n");
        return 1;
    }
    int status = 0;
    try {
        run(util);
    } catch (const CallFailed &failure) {
        std::printf("failed: %s\n", failure.message.c_str());
        status = 1;
    }
    util->Release();
    return status;
}
