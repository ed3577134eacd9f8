#include "errors/tavlin_ex.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "util/text.h"

namespace tavlin {

TavlinEx::TavlinEx(const char *description) : TavlinEx(description, nullptr) {}

TavlinEx::TavlinEx(const char *description, const char *source)
    : description_(description ? utf8_to_ole(description) : OleString()),
      source_(source ? utf8_to_ole(source) : OleString()), has_description_(description != nullptr),
      has_source_(source != nullptr)
{
}

TavlinEx::TavlinEx(const OLECHAR *description, size_t description_length, const OLECHAR *source, size_t source_length)
    : description_(description ? OleString(description, description_length) : OleString()),
      source_(source ? OleString(source, source_length) : OleString()), has_description_(description != nullptr),
      has_source_(source != nullptr)
{
}

OleString TavlinEx::java_text() const
{
    if (java_class_.empty() || !has_java_message_) return java_class_;
    return java_class_ + utf8_to_ole(": ") + description_;
}

void TavlinEx::raise(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    throw new TavlinEx(text.data());
}

void TavlinEx::raise_status(const char *what, HRESULT status)
{
    raise("%s: 0x%08X", what, static_cast<unsigned>(status));
}

}  // namespace tavlin
