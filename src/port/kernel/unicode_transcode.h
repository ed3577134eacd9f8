// UTF-8 and UTF-16 transcoding with the replacement rules of Windows' code page 65001.
#pragma once

#include <string>
#include <string_view>

namespace tavlinport {

struct Utf16Text {
    std::u16string text;
    bool had_invalid = false;  // some input was replaced by U+FFFD
};

struct Utf8Text {
    std::string text;
    bool had_invalid = false;  // some input was replaced by U+FFFD
};

// Each ill-formed sequence becomes one U+FFFD. Like Windows, a continuation byte that makes
// a sequence overlong, a surrogate or larger than U+10FFFF is swallowed with its lead byte;
// a byte that is no continuation at all starts the next character.
Utf16Text utf8_to_utf16(std::string_view utf8);

// An unpaired surrogate becomes U+FFFD.
Utf8Text utf16_to_utf8(std::u16string_view utf16);

}  // namespace tavlinport
