// The port's stdole2.tlb (OLE Automation 2.0): IUnknown and IDispatch described as Wine's
// stdole2.tlb describes them, which a created dispinterface names as its base. The library's
// other types (the records that IDispatch's parameters point to, fonts, pictures) are not
// described: a parameter's reference to one of those records names no type.
#pragma once

#include "tavlinport/windows.h"

namespace tavlinport {

// The one library of the process (a new reference).
HRESULT load_stdole(ITypeLib **lib);
// Whether LoadTypeLib's file is stdole2.tlb, in any folder and any case.
bool is_stdole_file(LPCOLESTR file);
// Whether LoadRegTypeLib asks for a version that the library's 2.0 answers.
bool is_stdole(REFGUID libid, WORD major, WORD minor);

}  // namespace tavlinport
