#include "util/array_results.h"

#include <atomic>

namespace tavlin {

namespace {
std::atomic<bool> variant_arrays{false};
}  // namespace

void set_variant_array_results(bool on) { variant_arrays.store(on, std::memory_order_relaxed); }

bool variant_array_results() { return variant_arrays.load(std::memory_order_relaxed); }

}  // namespace tavlin
