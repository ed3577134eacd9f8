// The thread's error object: CreateErrorInfo's object through its three interfaces, and
// SetErrorInfo and GetErrorInfo handing it over. Every row leaves the thread without one.
#include "conformance.h"
#include "objects.h"

namespace conformance {
namespace {

// Spelled out here, as the rows name no identifier that a Windows build would take from a
// library of its own.
constexpr GUID kIidIErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
constexpr GUID kIidICreateErrorInfo = {0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
constexpr GUID kIidISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
constexpr GUID kSomeInterface = {0x9474BA1A, 0x258B, 0x490B, {0xBC, 0x13, 0x51, 0x6E, 0x92, 0x39, 0xAC, 0xE0}};

// One text getter's outcome; the BSTR it gives is freed here.
template <class Getter> std::string text_read(Getter getter)
{
    BSTR text = nullptr;
    const HRESULT hr = getter(&text);
    std::string result = hresult_text(hr) + " " + bstr_text(text);
    SysFreeString(text);
    return result;
}

// Every getter but GetGUID (an object never given one holds whatever its memory held).
std::string texts_of(IErrorInfo *info)
{
    DWORD context = 0;
    const HRESULT context_hr = info->GetHelpContext(&context);
    return "source=" + text_read([&](BSTR *out) { return info->GetSource(out); }) +
           " description=" + text_read([&](BSTR *out) { return info->GetDescription(out); }) +
           " helpfile=" + text_read([&](BSTR *out) { return info->GetHelpFile(out); }) +
           " context=" + hresult_text(context_hr) + " " + hex(context);
}

std::string everything_of(IErrorInfo *info)
{
    GUID guid{};
    const HRESULT hr = info->GetGUID(&guid);
    return "guid=" + hresult_text(hr) + " " + guid_text(guid) + " " + texts_of(info);
}

// A new error object's IErrorInfo, filled by `fill` through ICreateErrorInfo.
template <class Fill> IErrorInfo *made_error(Fill fill)
{
    ICreateErrorInfo *create = nullptr;
    if (FAILED(CreateErrorInfo(&create)) || !create) return nullptr;
    fill(create);
    IErrorInfo *info = nullptr;
    create->QueryInterface(kIidIErrorInfo, reinterpret_cast<void **>(&info));
    create->Release();
    return info;
}

IErrorInfo *filled_error()
{
    return made_error([](ICreateErrorInfo *create) {
        BSTR description = make_bstr(u"Failed Sprocket"), source = make_bstr(u"sprocket"),
             help_file = make_bstr(u"sprocket.hlp");
        create->SetGUID(kSomeInterface);
        create->SetDescription(description);
        create->SetSource(source);
        create->SetHelpFile(help_file);
        create->SetHelpContext(0xDEADBEEF);
        SysFreeString(description);
        SysFreeString(source);
        SysFreeString(help_file);
    });
}

// GetErrorInfo's outcome: its HRESULT, and what it handed over (released here).
std::string taken_error()
{
    IErrorInfo *info = reinterpret_cast<IErrorInfo *>(1);
    const HRESULT hr = GetErrorInfo(0, &info);
    if (!info) return hresult_text(hr) + " null";
    std::string result = hresult_text(hr) + " " + everything_of(info);
    info->Release();
    return result;
}

void add_handover_rows(Rows &rows)
{
    rows.add("errorinfo get with none", taken_error());
    IErrorInfo *info = filled_error();
    rows.add("errorinfo set", hresult_text(SetErrorInfo(0, info)));
    info->Release();  // the thread holds the one reference left
    rows.add("errorinfo get after set", taken_error());
    rows.add("errorinfo get twice", taken_error());

    info = filled_error();
    SetErrorInfo(0, info);
    rows.add("errorinfo clear", hresult_text(SetErrorInfo(0, nullptr)));
    rows.add("errorinfo get after clear", taken_error());
    info->AddRef();
    rows.add("errorinfo references left after clear", std::to_string(info->Release()));
    info->Release();

    info = filled_error();
    IErrorInfo *second = made_error([](ICreateErrorInfo *create) {
        BSTR description = make_bstr(u"second");
        create->SetDescription(description);
        SysFreeString(description);
    });
    SetErrorInfo(0, info);
    SetErrorInfo(0, second);
    info->AddRef();
    rows.add("errorinfo set replaces and releases the first", std::to_string(info->Release()));
    info->Release();
    second->Release();
    IErrorInfo *taken = nullptr;
    GetErrorInfo(0, &taken);
    rows.add("errorinfo get after replacing", taken ? texts_of(taken) : "null");
    if (taken) rows.add("errorinfo references of the taken one", std::to_string(taken->Release()));
}

void add_argument_rows(Rows &rows)
{
    IErrorInfo *info = filled_error();
    rows.add("errorinfo SetErrorInfo reserved 1", hresult_text(SetErrorInfo(1, info)));
    rows.add("errorinfo get after a refused set", taken_error());
    SetErrorInfo(0, info);
    IErrorInfo *taken = nullptr;
    rows.add("errorinfo GetErrorInfo reserved 1", hresult_text(GetErrorInfo(1, &taken)));
    rows.add("errorinfo GetErrorInfo null", hresult_text(GetErrorInfo(0, nullptr)));
    rows.add("errorinfo get after refused gets", taken_error());
    rows.add("errorinfo CreateErrorInfo null", hresult_text(CreateErrorInfo(nullptr)));
    rows.add("errorinfo getters into null",
             hresult_text(info->GetGUID(nullptr)) + " " + hresult_text(info->GetSource(nullptr)) + " " +
                 hresult_text(info->GetDescription(nullptr)) + " " + hresult_text(info->GetHelpFile(nullptr)) + " " +
                 hresult_text(info->GetHelpContext(nullptr)));
    info->Release();
}

void add_object_rows(Rows &rows)
{
    IErrorInfo *fresh = made_error([](ICreateErrorInfo *) {});
    rows.add("errorinfo getters of a new object", texts_of(fresh));
    fresh->Release();

    IErrorInfo *info = filled_error();
    rows.add("errorinfo getters of a filled object", everything_of(info));
    ICreateErrorInfo *create = nullptr;
    info->QueryInterface(kIidICreateErrorInfo, reinterpret_cast<void **>(&create));
    BSTR empty = make_bstr(u""), embedded = make_bstr(std::u16string(u"cut\u0000here", 8));
    create->SetSource(nullptr);
    create->SetDescription(embedded);
    create->SetHelpFile(empty);
    rows.add("errorinfo texts set to null, cut at U+0000 and empty", texts_of(info));
    SysFreeString(empty);
    SysFreeString(embedded);
    create->Release();

    const struct {
        const char *name;
        const GUID *iid;
    } interfaces[] = {
        {"IUnknown", &kIidIUnknown},
        {"IDispatch", &kIidIDispatch},
        {"IErrorInfo", &kIidIErrorInfo},
        {"ICreateErrorInfo", &kIidICreateErrorInfo},
        {"ISupportErrorInfo", &kIidISupportErrorInfo},
    };
    for (const auto &entry : interfaces) {
        void *answer = nullptr;
        const HRESULT hr = info->QueryInterface(*entry.iid, &answer);
        rows.add(std::string("errorinfo QueryInterface ") + entry.name,
                 hresult_text(hr) + (answer ? " an interface" : " null"));
        if (answer) static_cast<IUnknown *>(answer)->Release();
    }
    ISupportErrorInfo *support = nullptr;
    if (SUCCEEDED(info->QueryInterface(kIidISupportErrorInfo, reinterpret_cast<void **>(&support)))) {
        rows.add("errorinfo supports its own GUID", hresult_text(support->InterfaceSupportsErrorInfo(kSomeInterface)));
        rows.add("errorinfo supports another GUID", hresult_text(support->InterfaceSupportsErrorInfo(kIidIErrorInfo)));
        support->Release();
    }
    rows.add("errorinfo references after the questions", std::to_string(info->Release()));
}

}  // namespace

void add_errorinfo_rows(Rows &rows)
{
    SetErrorInfo(0, nullptr);
    add_handover_rows(rows);
    add_argument_rows(rows);
    add_object_rows(rows);
}

}  // namespace conformance
