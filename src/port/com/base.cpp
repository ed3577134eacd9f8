// ole32's base: the standard interface identifiers, apartments as a per-thread count,
// creation of the components the port provides, task memory and GUID text.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#include "com/components.h"
#include "tavlinport/registrar.h"
#include "tavlinport/windows.h"

#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)

#define PORT_OLE_IID(name, data1)                                                                                      \
    TAVLINPORT_API const IID name = {data1, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}

TAVLINPORT_API const IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
PORT_OLE_IID(IID_IUnknown, 0x00000000);
PORT_OLE_IID(IID_IClassFactory, 0x00000001);
PORT_OLE_IID(IID_IDispatch, 0x00020400);
PORT_OLE_IID(IID_ITypeInfo, 0x00020401);
PORT_OLE_IID(IID_IEnumVARIANT, 0x00020404);
PORT_OLE_IID(IID_ITypeLib, 0x00020402);
PORT_OLE_IID(IID_ITypeInfo2, 0x00020412);
PORT_OLE_IID(IID_ITypeComp, 0x00020403);
PORT_OLE_IID(IID_ICreateTypeInfo, 0x00020405);
PORT_OLE_IID(IID_ICreateTypeLib, 0x00020406);
PORT_OLE_IID(IID_ICreateTypeLib2, 0x0002040F);
PORT_OLE_IID(IID_StdOle, 0x00020430);
TAVLINPORT_API const IID IID_IDispatchEx = {
    0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}};

namespace {

// Every apartment is alike here (no call is ever marshalled), so initialisation only counts.
thread_local int apartment_inits = 0;

struct PortComponent {
    const CLSID *clsid;
    HRESULT (*create)(REFIID iid, void **object);
};

const PortComponent port_components[] = {
    {&CLSID_Registrar, tavlinport::create_registrar},
};

int hex_digit(OLECHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[*pos] into *value.
bool read_hex(LPCOLESTR text, size_t *pos, int digits, uint32_t *value)
{
    *value = 0;
    for (int i = 0; i < digits; ++i) {
        int digit = hex_digit(text[*pos]);
        if (digit < 0) return false;
        *value = (*value << 4) | static_cast<uint32_t>(digit);
        ++*pos;
    }
    return true;
}

bool read_char(LPCOLESTR text, size_t *pos, OLECHAR expected)
{
    if (text[*pos] != expected) return false;
    ++*pos;
    return true;
}

bool parse_guid(LPCOLESTR text, GUID *guid)
{
    size_t pos = 0;
    uint32_t data1, data2, data3, byte;
    if (!read_char(text, &pos, u'{') || !read_hex(text, &pos, 8, &data1) || !read_char(text, &pos, u'-') ||
        !read_hex(text, &pos, 4, &data2) || !read_char(text, &pos, u'-') || !read_hex(text, &pos, 4, &data3) ||
        !read_char(text, &pos, u'-'))
        return false;
    guid->Data1 = data1;
    guid->Data2 = static_cast<uint16_t>(data2);
    guid->Data3 = static_cast<uint16_t>(data3);
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !read_char(text, &pos, u'-')) return false;
        if (!read_hex(text, &pos, 2, &byte)) return false;
        guid->Data4[i] = static_cast<uint8_t>(byte);
    }
    return read_char(text, &pos, u'}') && text[pos] == 0;
}

}  // namespace

TAVLINPORT_API HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

TAVLINPORT_API HRESULT CoInitializeEx(LPVOID, DWORD) { return apartment_inits++ == 0 ? S_OK : S_FALSE; }

TAVLINPORT_API void CoUninitialize(void)
{
    if (apartment_inits > 0) --apartment_inits;
}

TAVLINPORT_API HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID *object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (apartment_inits == 0) return CO_E_NOTINITIALIZED;
    for (const PortComponent &component : port_components) {
        if (!IsEqualCLSID(clsid, *component.clsid)) continue;
        if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
        if (outer) return CLASS_E_NOAGGREGATION;
        return component.create(riid, object);
    }
    return REGDB_E_CLASSNOTREG;
}

TAVLINPORT_API LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size); }

TAVLINPORT_API void CoTaskMemFree(LPVOID memory) { std::free(memory); }

TAVLINPORT_API HRESULT CoCreateGuid(GUID *guid)
{
    if (!guid) return E_INVALIDARG;
    static std::mutex lock;
    static std::random_device source;  // the system's entropy, as ole32 draws on
    std::lock_guard<std::mutex> hold(lock);
    unsigned char bytes[sizeof(GUID)];
    for (unsigned char &byte : bytes) byte = static_cast<unsigned char>(source());
    std::memcpy(guid, bytes, sizeof bytes);
    guid->Data3 = static_cast<WORD>((guid->Data3 & 0x0FFF) | 0x4000);    // version 4: random
    guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);  // the standard's variant
    return S_OK;
}

TAVLINPORT_API int StringFromGUID2(REFGUID guid, LPOLESTR text, int max_chars)
{
    constexpr int kGuidChars = 39;  // braces, 32 digits, 4 dashes and the terminator
    if (!text || max_chars < kGuidChars) return 0;
    static const char digits[] = "0123456789ABCDEF";
    uint8_t bytes[16] = {
        uint8_t(guid.Data1 >> 24), uint8_t(guid.Data1 >> 16), uint8_t(guid.Data1 >> 8), uint8_t(guid.Data1),
        uint8_t(guid.Data2 >> 8),  uint8_t(guid.Data2),       uint8_t(guid.Data3 >> 8), uint8_t(guid.Data3),
    };
    std::memcpy(bytes + 8, guid.Data4, 8);
    int out = 0;
    text[out++] = u'{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text[out++] = u'-';
        text[out++] = static_cast<OLECHAR>(digits[bytes[i] >> 4]);
        text[out++] = static_cast<OLECHAR>(digits[bytes[i] & 0xF]);
    }
    text[out++] = u'}';
    text[out++] = 0;
    return out;
}

TAVLINPORT_API HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid)
{
    if (!clsid) return E_INVALIDARG;
    std::memset(clsid, 0, sizeof *clsid);
    if (!text) return S_OK;
    return parse_guid(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}
