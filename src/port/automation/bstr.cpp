// BSTR: a UTF-16 text preceded by its length in bytes (32 bits) and followed by a NUL
// character that the length does not count. Embedded NULs are kept; a null BSTR counts as
// the empty text everywhere.
#include <cstdlib>
#include <cstring>

#include <tavlinport/oleauto.h>

namespace {

// The length sits in the last four bytes before the text; the header is eight bytes so that
// the text keeps the allocator's 8-byte alignment on both word sizes.
constexpr size_t kHeaderBytes = 8;
// Room after the text for a NUL character even when the byte length is odd.
constexpr size_t kTrailerBytes = 3;
// Lengths from here on are refused, as oleaut32 refuses them.
constexpr UINT kMaxByteLength = 0x7fffffffu - 16;

char *block_of(BSTR bstr) { return reinterpret_cast<char *>(bstr) - kHeaderBytes; }

UINT stored_byte_length(BSTR bstr)
{
    uint32_t length;
    std::memcpy(&length, reinterpret_cast<char *>(bstr) - sizeof length, sizeof length);
    return length;
}

// A new BSTR of byte_length bytes, zero-filled, or null when the size is refused or memory
// runs out.
BSTR allocate_bstr(UINT byte_length)
{
    if (byte_length >= kMaxByteLength) return nullptr;
    char *block = static_cast<char *>(std::calloc(1, kHeaderBytes + byte_length + kTrailerBytes));
    if (!block) return nullptr;
    const uint32_t length = byte_length;
    std::memcpy(block + kHeaderBytes - sizeof length, &length, sizeof length);
    return reinterpret_cast<BSTR>(block + kHeaderBytes);
}

BSTR bstr_from_bytes(const void *bytes, UINT byte_length)
{
    BSTR bstr = allocate_bstr(byte_length);
    if (bstr && bytes) std::memcpy(bstr, bytes, byte_length);
    return bstr;
}

UINT text_length(const OLECHAR *text)
{
    UINT length = 0;
    while (text[length]) ++length;
    return length;
}

bool fits_in_bytes(UINT characters) { return characters < kMaxByteLength / sizeof(OLECHAR); }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR *text, UINT length)
{
    if (!fits_in_bytes(length)) return nullptr;
    return bstr_from_bytes(text, length * sizeof(OLECHAR));
}

BSTR SysAllocString(const OLECHAR *text)
{
    if (!text) return nullptr;
    return SysAllocStringLen(text, text_length(text));
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length) { return bstr_from_bytes(bytes, length); }

void SysFreeString(BSTR bstr)
{
    if (bstr) std::free(block_of(bstr));
}

UINT SysStringByteLen(BSTR bstr) { return bstr ? stored_byte_length(bstr) : 0; }

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

// The new text is built before the old one is freed, so the new text may come from inside
// the old one.
INT SysReAllocString(BSTR *bstr, const OLECHAR *text)
{
    if (!bstr) return FALSE;
    BSTR replacement = SysAllocString(text);
    if (text && !replacement) return FALSE;
    SysFreeString(*bstr);
    *bstr = replacement;
    return TRUE;
}

// Without a text the old characters are kept, as far as the new length reaches.
INT SysReAllocStringLen(BSTR *bstr, const OLECHAR *text, UINT length)
{
    if (!bstr || !fits_in_bytes(length)) return FALSE;
    BSTR replacement = SysAllocStringLen(text, length);
    if (!replacement) return FALSE;
    if (!text && *bstr) {
        const UINT kept = SysStringLen(*bstr) < length ? SysStringLen(*bstr) : length;
        std::memcpy(replacement, *bstr, kept * sizeof(OLECHAR));
    }
    SysFreeString(*bstr);
    *bstr = replacement;
    return TRUE;
}
