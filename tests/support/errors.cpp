#include "errors.h"

#include "com_holders.h"
#include "errors/tavlin_ex.h"

namespace tavlin_test {

ThrownError error_of(const std::function<void()> &call)
{
    ThrownError result;
    try {
        call();
    } catch (tavlin::TavlinEx *error) {
        tavlin::TavlinExPtr owned(error);
        result.thrown = true;
        if (owned->description()) result.description = narrow(owned->description(), owned->description_length());
        result.has_source = owned->source() != nullptr;
        if (owned->source()) result.source = narrow(owned->source(), owned->source_length());
    }
    return result;
}

}  // namespace tavlin_test
