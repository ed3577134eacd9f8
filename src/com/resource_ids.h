// The numbers of the library's registry scripts among its resources, named once for
// tavlin.rc (which windres reads through the C preprocessor), libtavlin.so's resource table
// and the module's class map, which registers each class with its script.
#pragma once

#define IDR_PROXY 102
#define IDR_TAVLIN_UTIL 203
#define IDR_TAVLIN_UTIL_ISOLATED 204  // the isolated class and the AppID (Windows only)
