// The single include point for the platform: the real Windows and OLE Automation headers
// on Windows, the port layer elsewhere. Every other file is written once against the
// Win32 names.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <dispex.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>
#define TAVLIN_WIDEN2(s) L##s
#define TAVLIN_WIDEN(s) TAVLIN_WIDEN2(s)
#else
#include <tavlinport/windows.h>
#endif

#include <string>

namespace tavlin {

// Class-path lists and folders in the platform's own spelling.
#ifdef _WIN32
constexpr char kPathListSeparator = ';';
constexpr char kDirSeparator = '\\';
#else
constexpr char kPathListSeparator = ':';
constexpr char kDirSeparator = '/';
#endif

using OleString = std::basic_string<OLECHAR>;

}  // namespace tavlin
