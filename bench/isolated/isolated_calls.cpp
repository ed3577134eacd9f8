// What a call costs when the VM runs in another process, in one run: list.size() on a proxy
// from Tavlin.Util.Isolated, the same call on a proxy from the in-process Tavlin.Util, and the
// floor of any call between two processes, a method of a trivial automation object that this
// program serves from a second copy of itself. Each is timed in several rounds, taking the
// fastest round (the one least disturbed by the rest of the machine), and printed with its
// ratios; the first object of each class (a server's start and its VM's, or the VM's in this
// process) is timed once. Google Benchmark is not built for Windows, so this program keeps its
// own rounds and clock.
//   isolated_calls <tavlin.dll, with tavlinhost.exe beside it>
// Registers the library and the trivial class for the run, and removes both at the end.
#include <cstdio>
#include <cstring>
#include <string>

#include "util/auto_variant.h"
#include "util/holders.h"

using tavlin::AutoBstr;
using tavlin::AutoVariant;
using tavlin::ComPtr;
using tavlin::RegistryKeyHandle;

namespace {

const CLSID kTrivialClass = {0x6D1E4A1B, 0x2C59, 0x4F0E, {0x8B, 0x3A, 0x51, 0x7C, 0x9E, 0x20, 0xD4, 0x6F}};
const wchar_t kTrivialClassKey[] = L"CLSID\\{6D1E4A1B-2C59-4F0E-8B3A-517C9E20D46F}";
const IID kNoIid = {};

const int kRounds = 15;

// The trivial object: IDispatch whose every member answers 1 at once. Each live object holds
// one of the serving process's references, which ends the process with the last of them.
HANDLE served_last_object = nullptr;

void release_server_reference()
{
    if (CoReleaseServerProcess() == 0) SetEvent(served_last_object);
}

class TrivialObject : public IDispatch {
public:
    TrivialObject() { CoAddRefServerProcess(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IDispatch)) return E_NOINTERFACE;
        *out = static_cast<IDispatch *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
            release_server_reference();
        }
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT count, LCID, DISPID *dispids) override
    {
        for (UINT i = 0; i < count; ++i) dispids[i] = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *result, EXCEPINFO *,
                                     UINT *) override
    {
        if (result) {
            result->vt = VT_I4;
            result->lVal = 1;
        }
        return S_OK;
    }

private:
    virtual ~TrivialObject() = default;
    LONG references_ = 1;
};

class TrivialFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory *>(this);
        return S_OK;
    }
    // The factory is a static of the serving process and counts no references.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        if (outer) return CLASS_E_NOAGGREGATION;
        ComPtr<IDispatch> object(new TrivialObject);
        return object->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock) {
            CoAddRefServerProcess();
        } else {
            release_server_reference();
        }
        return S_OK;
    }
};

// The second copy, started by COM with -Embedding: serves the trivial class until its last
// object is released.
int serve_trivial_class()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    served_last_object = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    static TrivialFactory factory;
    DWORD registration = 0;
    HRESULT hr = CoRegisterClassObject(kTrivialClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &registration);
    if (SUCCEEDED(hr)) {
        WaitForSingleObject(served_last_object, INFINITE);
        CoRevokeClassObject(registration);
    }
    CloseHandle(served_last_object);
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}

// The trivial class's LocalServer32, this program, for the length of the run.
class TrivialClassRegistration {
public:
    TrivialClassRegistration()
    {
        wchar_t program[MAX_PATH];
        DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
        RegistryKeyHandle key;
        std::wstring server_key = std::wstring(kTrivialClassKey) + L"\\LocalServer32";
        registered_ = length > 0 && length < MAX_PATH &&
                      RegCreateKeyExW(HKEY_CLASSES_ROOT, server_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                      key.put(), nullptr) == ERROR_SUCCESS &&
                      RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(program),
                                     (length + 1) * sizeof(wchar_t)) == ERROR_SUCCESS;
    }
    ~TrivialClassRegistration() { RegDeleteTreeW(HKEY_CLASSES_ROOT, kTrivialClassKey); }
    TrivialClassRegistration(const TrivialClassRegistration &) = delete;
    TrivialClassRegistration &operator=(const TrivialClassRegistration &) = delete;
    bool registered() const { return registered_; }

private:
    bool registered_ = false;
};

// The library's registration for the run, through its own entry points. The library stays
// loaded after it: the in-process VM it starts never leaves the process.
class LibraryRegistration {
public:
    explicit LibraryRegistration(const char *path) : library_(LoadLibraryA(path))
    {
        registered_ = SUCCEEDED(run("DllRegisterServer"));
    }
    ~LibraryRegistration()
    {
        if (registered_) run("DllUnregisterServer");
    }
    LibraryRegistration(const LibraryRegistration &) = delete;
    LibraryRegistration &operator=(const LibraryRegistration &) = delete;
    bool registered() const { return registered_; }

private:
    using EntryPoint = HRESULT(WINAPI *)();
    HRESULT run(const char *name)
    {
        FARPROC found = library_ ? GetProcAddress(library_, name) : nullptr;
        auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(found));
        return entry ? entry() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    HMODULE library_;
    bool registered_ = false;
};

double seconds_now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A method of `object`, called by its DISPID as a client that looked the name up once calls it.
class MethodCall {
public:
    MethodCall(IDispatch *object, const wchar_t *name) : object_(object)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        found_ = SUCCEEDED(object->GetIDsOfNames(kNoIid, names, 1, 0, &dispid_));
    }
    bool found() const { return found_; }
    HRESULT call(AutoVariant &result, VARIANT *argument = nullptr) const
    {
        DISPPARAMS arguments = {argument, nullptr, argument ? 1u : 0u, 0};
        return object_->Invoke(dispid_, kNoIid, 0, DISPATCH_METHOD, &arguments, result.put(), nullptr, nullptr);
    }
    // Seconds per call over `calls` calls; negative when a call fails.
    double seconds_per_call(int calls) const
    {
        AutoVariant result;
        double started = seconds_now();
        for (int i = 0; i < calls; ++i)
            if (FAILED(call(result))) return -1;
        return (seconds_now() - started) / calls;
    }

private:
    IDispatch *object_;
    DISPID dispid_ = 0;
    bool found_ = false;
};

// A utility object of `clsid` and an ArrayList made through it: what a client has before its
// first call of a Java method.
struct JavaList {
    ComPtr<IDispatch> util;
    AutoVariant list;
};

bool make_list(REFCLSID clsid, JavaList &made)
{
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, made.util.put_void()))) return false;
    AutoVariant class_name;
    class_name->vt = VT_BSTR;
    class_name->bstrVal = SysAllocString(L"java.util.ArrayList");
    MethodCall new_instance(made.util.get(), L"newInstance");
    return new_instance.found() && SUCCEEDED(new_instance.call(made.list, class_name.get())) &&
           made.list.type() == VT_DISPATCH;
}

// One kind of call timed: its name, its calls per round and its fastest round.
struct Timed {
    const char *name;
    const MethodCall *method;
    int calls;
    double fastest = 0;
};

int measure(const char *library)
{
    LibraryRegistration library_registration(library);
    TrivialClassRegistration trivial_registration;
    if (!library_registration.registered() || !trivial_registration.registered()) {
        std::printf("registering the library or the trivial class failed\n");
        return 1;
    }
    CLSID in_process_class, isolated_class;
    if (FAILED(CLSIDFromProgID(L"Tavlin.Util", &in_process_class)) ||
        FAILED(CLSIDFromProgID(L"Tavlin.Util.Isolated", &isolated_class))) {
        std::printf("the ProgIDs are not registered\n");
        return 1;
    }
    JavaList isolated, in_process;
    double started = seconds_now();
    bool made = make_list(isolated_class, isolated);
    double isolated_first = seconds_now() - started;
    started = seconds_now();
    made = made && make_list(in_process_class, in_process);
    double in_process_first = seconds_now() - started;
    ComPtr<IDispatch> trivial;
    HRESULT trivial_made =
        CoCreateInstance(kTrivialClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, trivial.put_void());
    if (!made || FAILED(trivial_made)) {
        std::printf("making the objects failed\n");
        return 1;
    }
    MethodCall floor_call(trivial.get(), L"anything"), isolated_call(isolated.list->pdispVal, L"size"),
        in_process_call(in_process.list->pdispVal, L"size");
    Timed timed[] = {{"trivial object in another process", &floor_call, 500},
                     {"list.size() isolated", &isolated_call, 500},
                     {"list.size() in process", &in_process_call, 50000}};
    for (Timed &kind : timed) {
        // A first round unmeasured: the thread's attachment, the class's tables.
        if (!kind.method->found() || kind.method->seconds_per_call(kind.calls / 10) < 0) {
            std::printf("%s failed\n", kind.name);
            return 1;
        }
    }
    for (int round = 0; round < kRounds; ++round) {
        for (Timed &kind : timed) {
            double seconds = kind.method->seconds_per_call(kind.calls);
            if (round == 0 || seconds < kind.fastest) kind.fastest = seconds;
        }
    }
    const Timed &floor = timed[0], &isolated_size = timed[1], &in_process_size = timed[2];
    std::printf("first object (a server's start and its VM's): %.3f s isolated, %.3f s in process, ratio %.1f\n",
                isolated_first, in_process_first, isolated_first / in_process_first);
    for (const Timed &kind : timed) std::printf("%-36s %10.2f us per call\n", kind.name, kind.fastest * 1e6);
    std::printf("isolated call / in-process call       %10.1f\n", isolated_size.fastest / in_process_size.fastest);
    std::printf("isolated call / cross-process floor   %10.2f\n", isolated_size.fastest / floor.fastest);
    std::printf("in-process call / cross-process floor %10.4f\n", in_process_size.fastest / floor.fastest);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strstr(argv[1], "Embedding")) return serve_trivial_class();
    if (argc != 2) {
        std::printf("usage: isolated_calls <tavlin.dll>\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int status = measure(argv[1]);
    CoUninitialize();
    return status;
}
