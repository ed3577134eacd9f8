// _stricmp in the "C" locale, whatever locale the host process has chosen.
#include "tavlinport/kernel.h"

namespace {

int fold_to_lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

TAVLINPORT_API int _stricmp(const char *a, const char *b)
{
    if (a == nullptr || b == nullptr) return _NLSCMPERROR;
    for (;; ++a, ++b) {
        int difference = fold_to_lower(static_cast<unsigned char>(*a)) - fold_to_lower(static_cast<unsigned char>(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
}
