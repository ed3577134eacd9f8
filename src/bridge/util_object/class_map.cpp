// The module's class map: the bridge's two classes entered into the COM module, which knows
// them only as entries, each with its registry script's resource number.
#include <iterator>

#include "bridge/proxy/proxy.h"
#include "bridge/util_object/tavlin_util.h"
#include "com/instance_creator.h"
#include "com/module.h"
#include "com/resource_ids.h"

namespace tavlin {

ClassEntry module_classes[] = {
    {&CLSID_TavlinUtil, IDR_TAVLIN_UTIL, create_instance<CTavlinUtil>, {nullptr}},
    {&CLSID_Proxy, IDR_PROXY, create_instance<CProxy>, {nullptr}},
};
extern const size_t module_class_count = std::size(module_classes);

}  // namespace tavlin
