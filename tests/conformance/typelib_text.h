// What the type-library rows share: text forms of type attributes and function descriptions
// that come out the same from a 32-bit and a 64-bit build (offsets and sizes in pointers),
// holders for COM references and names, and the interface IDs spelled out.
#pragma once

#include <string>
#include <vector>

#include "conformance.h"

namespace conformance {

constexpr GUID kIidITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidITypeLib = {0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidITypeComp = {0x00020403, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidICreateTypeInfo = {0x00020405, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidICreateTypeLib = {0x00020406, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidICreateTypeLib2 = {0x0002040F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kLibidStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr SYSKIND kProcessSyskind = sizeof(void *) == 8 ? SYS_WIN64 : SYS_WIN32;

// Owns one reference; released when the holder ends.
template <class T> class Held {
public:
    Held() = default;
    explicit Held(T *object) : object_(object) {}
    ~Held() { reset(); }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;
    Held(Held &&other) noexcept : object_(other.detach()) {}

    T *get() const { return object_; }
    T *operator->() const { return object_; }
    T **out() { return &object_; }
    void **out_void() { return reinterpret_cast<void **>(&object_); }
    void reset()
    {
        if (object_) object_->Release();
        object_ = nullptr;
    }
    // Hands the reference over to the caller.
    T *detach()
    {
        T *object = object_;
        object_ = nullptr;
        return object;
    }

private:
    T *object_ = nullptr;
};

// A name to hand to a function that takes LPOLESTR, as a BSTR freed when the holder ends.
class OleName {
public:
    explicit OleName(const char16_t *text) : text_(make_bstr(text)) {}
    ~OleName() { SysFreeString(text_); }
    OleName(const OleName &) = delete;
    OleName &operator=(const OleName &) = delete;
    LPOLESTR get() const { return text_; }

private:
    BSTR text_;
};

// Several names, for SetFuncAndParamNames and GetIDsOfNames.
class OleNames {
public:
    explicit OleNames(const std::vector<std::u16string> &texts);
    ~OleNames();
    OleNames(const OleNames &) = delete;
    OleNames &operator=(const OleNames &) = delete;
    LPOLESTR *get() { return names_.data(); }
    UINT count() const { return static_cast<UINT>(names_.size()); }

private:
    std::vector<LPOLESTR> names_;
};

std::string typekind_text(TYPEKIND kind);
std::string syskind_text(SYSKIND kind);
// A size or an offset in pointers ("7 ptr"), in bytes where it is no whole number of them.
std::string pointers_text(size_t bytes);
std::string type_text(const TYPEDESC &type);
std::string attr_text(const TYPEATTR &attr);
std::string func_text(const FUNCDESC &desc);
std::string lib_attr_text(const TLIBATTR &attr);

// The names GetNames gives for a member ("S_OK [add index element]").
std::string names_text(ITypeInfo *info, MEMBERID memid, UINT max_names = 8);
// GetDocumentation's four answers.
std::string documentation_text(ITypeInfo *info, MEMBERID memid);
std::string documentation_text(ITypeLib *lib, INT index);
// A type's name, through GetDocumentation.
std::string type_name(ITypeInfo *info);
// GetTypeAttr's description; the attributes are released here.
std::string attributes_of(ITypeInfo *info);
// The description of function `index`, with its names.
std::string function_of(ITypeInfo *info, UINT index);
// GetIDsOfNames's outcome for the first `count` names: its HRESULT and every member ID.
std::string ids_text(ITypeInfo *info, const std::vector<std::u16string> &names, UINT count);
inline std::string ids_text(ITypeInfo *info, const std::vector<std::u16string> &names)
{
    return ids_text(info, names, static_cast<UINT>(names.size()));
}
// Whether two interface pointers reach one object.
bool same_object(IUnknown *a, IUnknown *b);

}  // namespace conformance
