// Under Windows without a Java installation, the loader and VM start-up report it with the
// loader's own text. Prints one line per check and "N passed, M failed".
#include <cstdio>
#include <string>

#include "checks.h"

#include "javaref/tavlin_ex.h"
#include "util/text.h"
#include "vmhost/jvm_library.h"
#include "vmhost/vm.h"

namespace {

windows_test::Checks report;

std::string loader_message()
{
    try {
        tavlin::CJvmLibrary library;
        return "<loaded>";
    } catch (tavlin::JVMDLL_Exception *error) {
        std::string text = error->message;
        delete error;
        return text;
    }
}

std::string startup_message()
{
    try {
        tavlin::get_env();
        return "<started>";
    } catch (tavlin::TavlinEx *error) {
        tavlin::TavlinExPtr owned(error);
        return tavlin::ole_to_utf8(owned->description(), owned->description_length());
    }
}

}  // namespace

int main()
{
    const std::string no_jre = "No JRE is installed on this machine.";
    std::string loader = loader_message();
    report.check(loader == no_jre, "the loader finds no Java installation", loader);
    tavlin::init_startup_lock();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        std::string startup = startup_message();
        report.check(startup == no_jre, "VM start-up reports the loader's text, again on a retry", startup);
    }
    return report.finish();
}
