// Per-process set-up for tests that start the Java VM. Each test runs in a process of its
// own (ctest runs every discovered test separately), so a test configures the registry
// and the environment first, then lets the bridge create the VM.
#pragma once

#include <string>

#include "util/platform.h"

namespace tavlin_test {

// A registry without the product's settings for this process: natively a fresh, empty
// registry file (TAVLIN_REGISTRY); on Windows the product's keys removed from the machine's
// registry (the Java installation's stay), which is why the Windows suites run one at a time.
void use_fresh_registry();
// Sets an environment variable of this process.
void set_environment(const char *name, const char *value);
// Creates `key` under `root` if needed and writes a REG_SZ value ("" or null: default).
void set_registry_string(HKEY root, const char *key, const char *name, const char *value);
// Writes a REG_DWORD value under the product key.
void set_product_dword(const char *name, DWORD value);
// Adds a free-form VM option through the product's VMOptions subkeys.
void add_vm_option(const std::string &option);
// Fresh registry, -Xcheck:jni, and the test fixtures on CLASSPATH: the usual start.
void use_standard_vm_setup();
// The test fixtures' archive.
std::string fixtures_jar();
// A machine without Java, as far as the bridge can tell: natively the port presents none in
// the registry (TAVLIN_NO_MACHINE_JAVA) and neither JAVA_HOME nor PATH leads to one; on
// Windows JAVA_HOME is unset (the prefix's registered Java is the test's to overwrite).
void hide_machine_java();
#ifndef _WIN32
// The full path of a loadable library that exports no JNI entry point (the C maths library).
std::string library_without_jni();
#endif

}  // namespace tavlin_test
