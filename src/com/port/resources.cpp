// libtavlin.so's resources, which tavlin.rc gives tavlin.dll: the registry scripts (the bytes
// of the .rgs files, included as generated at configure time) and the type library, described
// as data with the same names, identifiers and help strings as tavlin.idl.
#include <tavlinport/resources.h>

#include "com/interfaces.h"

namespace tavlin {
namespace {

#include "registry_scripts.inc"

constexpr WORD kDualInterface = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
// After IUnknown's three and IDispatch's four entries.
constexpr SHORT kFirstOwnSlot = 7;

const PortParamDesc new_instance_params[] = {
    {u"classname", VT_BSTR, VT_EMPTY, PARAMFLAG_FIN},
    {u"proxy", VT_PTR, VT_DISPATCH, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL},
};

const PortParamDesc new_object_params[] = {
    {u"classname", VT_BSTR, VT_EMPTY, PARAMFLAG_FIN},
    {u"args", VT_SAFEARRAY, VT_VARIANT, PARAMFLAG_FIN},
    {u"proxy", VT_PTR, VT_DISPATCH, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL},
};

const PortParamDesc statics_params[] = {
    {u"classname", VT_BSTR, VT_EMPTY, PARAMFLAG_FIN},
    {u"proxy", VT_PTR, VT_DISPATCH, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL},
};

const PortParamDesc implement_params[] = {
    {u"interfaceNames", VT_BSTR, VT_EMPTY, PARAMFLAG_FIN},
    {u"object", VT_DISPATCH, VT_EMPTY, PARAMFLAG_FIN},
    {u"proxy", VT_PTR, VT_DISPATCH, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL},
};

constexpr PortFuncDesc new_instance_func = {
    u"newInstance", 1, u"method newInstance", INVOKE_FUNC, kFirstOwnSlot, VT_HRESULT, new_instance_params, 2, 0};

const PortFuncDesc tavlin_util_funcs[] = {new_instance_func};

// ITavlinUtil2 extends ITavlinUtil: newInstance keeps its slot and DISPID.
const PortFuncDesc tavlin_util2_funcs[] = {
    new_instance_func,
    {u"newObject", 2, u"method newObject", INVOKE_FUNC, kFirstOwnSlot + 1, VT_HRESULT, new_object_params, 3, -1},
    {u"statics", 3, u"method statics", INVOKE_FUNC, kFirstOwnSlot + 2, VT_HRESULT, statics_params, 2, 0},
    {u"implement", 4, u"method implement", INVOKE_FUNC, kFirstOwnSlot + 3, VT_HRESULT, implement_params, 3, 0},
};

#ifdef __LP64__
constexpr SYSKIND kSyskind = SYS_WIN64;
#else
constexpr SYSKIND kSyskind = SYS_WIN32;
#endif

// A compiled type library stores each name once, compared without case, so the coclass
// Proxy is spelled as the parameter proxy that comes first, and the parameter className of
// newObject and statics as newInstance's classname.
const PortTypeDesc types[] = {
    {u"ITavlinUtil", &IID_ITavlinUtil, TKIND_DISPATCH, kDualInterface, u"ITavlinUtil Interface", tavlin_util_funcs, 1},
    {u"ITavlinUtil2", &IID_ITavlinUtil2, TKIND_DISPATCH, kDualInterface, u"ITavlinUtil2 Interface", tavlin_util2_funcs,
     4},
    {u"TavlinUtil", &CLSID_TavlinUtil, TKIND_COCLASS, TYPEFLAG_FCANCREATE, u"TavlinUtil Class", nullptr, 0},
    {u"IProxy", &IID_IProxy, TKIND_DISPATCH, kDualInterface, u"IProxy Interface", nullptr, 0},
    {u"proxy", &CLSID_Proxy, TKIND_COCLASS, TYPEFLAG_FCANCREATE, u"Proxy Class", nullptr, 0},
};

// Registered, like the compiled library, for the neutral locale.
const PortTypeLibDesc type_library = {
    u"Tavlin", &LIBID_Tavlin, 1, 0, LOCALE_NEUTRAL, kSyskind, u"tavlin 1.0 Type Library", types, 5,
};

}  // namespace
}  // namespace tavlin

PORT_RESOURCE_TABLE_EXPORT const PortResource PORT_RESOURCE_TABLE[] = {
    {u"REGISTRY", 203, tavlin::TavlinUtil_rgs, sizeof tavlin::TavlinUtil_rgs},
    {u"REGISTRY", 102, tavlin::Proxy_rgs, sizeof tavlin::Proxy_rgs},
    {u"TYPELIB", 1, &tavlin::type_library, sizeof tavlin::type_library},
    {nullptr, 0, nullptr, 0},
};
