// The whole Win32 / OLE Automation subset that the port provides, in one include.
#pragma once

#include "dispex.h"
#include "kernel.h"
#include "oaidl.h"
#include "oleauto.h"
#include "registry.h"
#include "typelib_create.h"
#include "unknwn.h"
#include "wintypes.h"
