// Scoped holders for the automation values and interfaces that tests pass around.
#pragma once

#include <string>

#include "util/auto_variant.h"
#include "util/holders.h"
#include "util/platform.h"

namespace tavlin_test {

using tavlin::ComPtr;

// A BSTR holder that tests fill from text.
class ScopedBstr : public tavlin::AutoBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const OLECHAR *text) : tavlin::AutoBstr(text ? SysAllocString(text) : nullptr) {}
    ScopedBstr(const OLECHAR *text, UINT length) : tavlin::AutoBstr(SysAllocStringLen(text, length)) {}
};

// A VARIANT holder with factories for the values tests pass.
class ScopedVariant : public tavlin::AutoVariant {
public:
    static ScopedVariant i4(LONG v);
    static ScopedVariant r8(double v);
    static ScopedVariant boolean(bool v);
    static ScopedVariant date(DATE v);
    static ScopedVariant string(const OLECHAR *text);
    static ScopedVariant string(const std::string &utf8);
    static ScopedVariant dispatch(IDispatch *object);  // adds a reference
};

// UTF-8 <-> UTF-16 for assertions.
tavlin::OleString wide(const std::string &utf8);
std::string narrow(const OLECHAR *text, size_t length);
std::string narrow(BSTR text);

}  // namespace tavlin_test
