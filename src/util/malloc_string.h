// CMallocString: sole owner of one heap string from malloc, freed when the holder ends.
#pragma once

#include <cstdlib>

#include "util/unique_handle.h"

namespace tavlin {

struct MallocFree {
    using Handle = char *;
    static void close(char *text) noexcept { std::free(text); }
};

using CMallocString = UniqueHandle<MallocFree>;

}  // namespace tavlin
