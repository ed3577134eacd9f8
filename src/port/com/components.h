// The in-process components that the port itself provides through CoCreateInstance.
#pragma once

#include "tavlinport/windows.h"

namespace tavlinport {

HRESULT create_registrar(REFIID iid, void **object);

}  // namespace tavlinport
