// The port's type libraries: a PortTypeLibDesc found in a module's resources, served through
// ITypeLib and ITypeInfo. Every type information holds its library, which holds the module.
#pragma once

#include <memory>

#include "com/module_resources.h"
#include "com/support.h"

namespace tavlinport {

// The system whose function tables the process's own libraries lay out.
#ifdef __LP64__
constexpr SYSKIND kProcessSyskind = SYS_WIN64;
#else
constexpr SYSKIND kProcessSyskind = SYS_WIN32;
#endif

class TypeLib final : public RefCounted<TypeLib, ITypeLib> {
public:
    TypeLib(std::unique_ptr<ModuleResources> module, const PortTypeLibDesc *desc);
    static bool answers(REFIID iid) { return IsEqualIID(iid, IID_ITypeLib); }
    const PortTypeLibDesc &desc() const { return *desc_; }

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND *kind) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR **attr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp **comp) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                               BSTR *help_file) override;
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR name, ULONG hash, BOOL *found) override;
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR name, ULONG hash, ITypeInfo **infos, MEMBERID *memids,
                                       USHORT *found) override;
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR *attr) override;

private:
    std::unique_ptr<ModuleResources> module_;
    const PortTypeLibDesc *desc_;
};

// A new type information (one reference) for the type at `index` of `lib`.
ITypeInfo *new_type_info(TypeLib *lib, UINT index);

// The documentation out-parameters that ITypeLib and ITypeInfo share; each may be null.
HRESULT store_documentation(const OLECHAR *name, const OLECHAR *doc, BSTR *name_out, BSTR *doc_out, DWORD *help_context,
                            BSTR *help_file);

}  // namespace tavlinport
