// How Java arrays come back to clients: typed safe arrays (an int[] as VT_ARRAY|VT_I4), or,
// with the VariantArrays setting, arrays of Variants that every script engine can index.
// Set when the VM is started or adopted, from the settings; read by every conversion.
#pragma once

namespace tavlin {

void set_variant_array_results(bool on);
bool variant_array_results();

}  // namespace tavlin
