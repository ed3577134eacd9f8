// Facts about the VM that tests check for leaks.
#pragma once

#include <jni.h>

namespace tavlin_test {

// Number of live JNI global references in the VM (counted as heap roots through JVMTI).
long jni_global_reference_count();

// Resident memory of this process in kilobytes.
long resident_kilobytes();

}  // namespace tavlin_test
