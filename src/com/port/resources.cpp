// libtavlin.so's resources, which tavlin.rc gives tavlin.dll: the registry scripts (the bytes
// of the .rgs files, included as generated at configure time) and the type library, described
// as data by describe_type_library.py from the type library that widl compiles from tavlin.idl.
#include <tavlinport/resources.h>

#include "com/resource_ids.h"

namespace tavlin {
namespace {

#include "registry_scripts.inc"
#include "type_library.inc"

}  // namespace
}  // namespace tavlin

PORT_RESOURCE_TABLE_EXPORT const PortResource PORT_RESOURCE_TABLE[] = {
    {u"REGISTRY", IDR_TAVLIN_UTIL, tavlin::TavlinUtil_rgs, sizeof tavlin::TavlinUtil_rgs},
    {u"REGISTRY", IDR_PROXY, tavlin::Proxy_rgs, sizeof tavlin::Proxy_rgs},
    {u"TYPELIB", 1, &tavlin::type_library, sizeof tavlin::type_library},
    {nullptr, 0, nullptr, 0},
};
