#include "errors/se_exception.h"

#if defined(_WIN32) && defined(_MSC_VER)
#include <eh.h>
#endif

namespace tavlin {

#if defined(_WIN32) && defined(_MSC_VER)
namespace {
void se_translator(unsigned int code, EXCEPTION_POINTERS *) { throw new SE_Exception(code); }
}  // namespace

void install_se_translator() { _set_se_translator(se_translator); }
#else
// Neither GCC (mingw) nor Linux can turn a processor fault into a C++ exception: mingw has
// no _set_se_translator and its exception model does not unwind through faults, and on
// Linux the Java VM owns SIGSEGV and its kin (its implicit null checks rely on them), so no
// handler may take a fault away from it. A fault therefore stays a fault, as in any DLL
// built without the translator; SE_Exception and the catch clauses stay for builds that
// have one.
void install_se_translator() {}
#endif

}  // namespace tavlin
