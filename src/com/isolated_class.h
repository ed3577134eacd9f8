// Tavlin.Util.Isolated: the utility class with its Java in a process of its own.
//
// A client that asks for any server context (CreateObject, CoCreateInstance with
// CLSCTX_SERVER) loads a class's InprocServer32 wherever one is registered, so the class has
// none. Registering it with no more than an AppID whose DllSurrogate names the system
// surrogate does not reach the library either: dllhost.exe, asked for a class, loads that
// class's own InprocServer32 (Windows' ISurrogate::LoadDllServer and Wine's dllhost alike).
// The class is therefore served by a local server of the project's own, tavlinhost.exe beside
// the library (LocalServer32): it loads the library by full path and calls
// DllServeIsolated, which registers the utility class's class object under this class's CLSID
// and serves it until the last object of the process is released. The AppID, shared with
// Tavlin.Util (whose clients asking for CLSCTX_LOCAL_SERVER get dllhost.exe through its
// DllSurrogate), is where an administrator sets DCOM's launch rights or RemoteServerName.
#pragma once

#include "util/platform.h"

namespace tavlin {

extern "C" const CLSID CLSID_TavlinUtilIsolated;

// Serves the class from this process, which must have entered the multithreaded apartment:
// returns when the last object the process serves has been released (or at once on failure).
HRESULT serve_isolated_class();

}  // namespace tavlin
