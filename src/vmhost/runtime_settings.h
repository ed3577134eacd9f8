// The VM's option strings, from the registry (HKLM\Software\Varnexa\Tidewell and its
// family's Extras key), the CLASSPATH variable and the library's own folder.
#pragma once

#include <vector>

#include "util/malloc_string.h"

namespace tavlin {

CMallocString get_max_memory();
CMallocString get_max_permsize();
CMallocString get_classpath();
// Whether Java arrays reach clients as arrays of Variants: the product key's DWORD value
// VariantArrays = 1, or the environment variable TAVLIN_VARIANT_ARRAYS=1.
bool variant_arrays_requested();

// Reader of the product key's subkeys; one per use.
class CRegistrySettings {
public:
    CRegistrySettings();
    // Joined class-path entries of the product's subkeys, or null (computed once).
    const char *get_extra_classpath();
    // The free-form VM options of the VMOptions subkeys (computed once).
    const std::vector<CMallocString> &get_vm_options();

private:
    bool product_key_present_;
    bool extra_classpath_done_ = false;
    CMallocString extra_classpath_;
    bool vm_options_done_ = false;
    std::vector<CMallocString> vm_options_;
};

}  // namespace tavlin
