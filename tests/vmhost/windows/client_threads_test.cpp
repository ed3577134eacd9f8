// Client threads of a Windows process, made with CreateThread, against the real tavlin.dll:
// each is attached on its first call and detached when it ends, so none leaves a Java thread
// behind; and the process ends cleanly with a client thread still running and attached.
// Prints one line per check and "N passed, M failed".
//   vmhost_client_threads_test <tavlin.dll>
#include <cstdio>
#include <string>

#include "checks.h"
#include "dispatch_call.h"
#include <vector>

#include "com/interfaces.h"

namespace {

using windows_test::call;

windows_test::Checks report;

ITavlinUtil *util = nullptr;

IDispatch *new_instance(const wchar_t *class_name)
{
    BSTR name = SysAllocString(class_name);
    IDispatch *object = nullptr;
    HRESULT hr = util->newInstance(name, &object);
    SysFreeString(name);
    return SUCCEEDED(hr) ? object : nullptr;
}

// One client's work: a list made, filled, measured and released.
bool use_a_list()
{
    IDispatch *list = new_instance(L"java.util.ArrayList");
    if (!list) return false;
    VARIANT word, result;
    word.vt = VT_BSTR;
    word.bstrVal = SysAllocString(L"x");
    bool ok = SUCCEEDED(call(list, L"add", &word, &result));
    VariantClear(&word);
    VariantClear(&result);
    ok = ok && SUCCEEDED(call(list, L"size", nullptr, &result)) && result.vt == VT_I4 && result.lVal == 1;
    list->Release();
    return ok;
}

DWORD WINAPI client_thread(void *)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    bool ok = use_a_list();
    CoUninitialize();
    return ok ? 0 : 1;
}

// Calls once, then waits for ever: it is still running when the process ends.
DWORD WINAPI lingering_client_thread(void *ready)
{
    use_a_list();
    SetEvent(static_cast<HANDLE>(ready));
    Sleep(INFINITE);
    return 0;
}

int run_clients(int count, int at_once)
{
    int failures = 0;
    for (int done = 0; done < count; done += at_once) {
        std::vector<HANDLE> threads;
        for (int t = 0; t < at_once; ++t)
            threads.push_back(CreateThread(nullptr, 0, client_thread, nullptr, 0, nullptr));
        WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
        for (HANDLE thread : threads) {
            DWORD code = 1;
            GetExitCodeThread(thread, &code);
            failures += code != 0;
            CloseHandle(thread);
        }
    }
    return failures;
}

LONG live_java_threads(IDispatch *thread_bean)
{
    VARIANT count;
    if (FAILED(call(thread_bean, L"getThreadCount", nullptr, &count)) || count.vt != VT_I4) return -1;
    return count.lVal;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::printf("usage: vmhost_client_threads_test <tavlin.dll>\n");
        return 2;
    }
    HMODULE dll = LoadLibraryA(argv[1]);
    using GetClassObject = HRESULT(WINAPI *)(REFCLSID, REFIID, void **);
    auto get_class_object =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void *>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory *factory = nullptr;
    if (!get_class_object ||
        FAILED(get_class_object(CLSID_TavlinUtil, IID_IClassFactory, reinterpret_cast<void **>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_ITavlinUtil, reinterpret_cast<void **>(&util)))) {
        std::printf("FAILED: no utility object from %s\n0 passed, 1 failed\n", argv[1]);
        return 1;
    }
    factory->Release();

    IDispatch *management = new_instance(L"java.lang.management.ManagementFactory");
    VARIANT bean;
    VariantInit(&bean);
    if (!management || FAILED(call(management, L"getThreadMXBean", nullptr, &bean)) || bean.vt != VT_DISPATCH) {
        std::printf("FAILED: no thread bean\n0 passed, 1 failed\n");
        return 1;
    }
    report.check(use_a_list(), "a first client thread's warm-up", "");
    const LONG baseline = live_java_threads(bean.pdispVal);

    int failures = run_clients(100, 1);
    report.check(failures == 0, "100 client threads, one after another, each call well",
                 std::to_string(failures) + " failed");
    LONG after = live_java_threads(bean.pdispVal);
    report.check(after == baseline, "no Java thread left behind",
                 std::to_string(after) + " live, " + std::to_string(baseline) + " before");

    failures = run_clients(64, 8);
    report.check(failures == 0, "64 client threads, eight at a time", std::to_string(failures) + " failed");
    after = live_java_threads(bean.pdispVal);
    report.check(after == baseline, "no Java thread left behind",
                 std::to_string(after) + " live, " + std::to_string(baseline) + " before");

    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, lingering_client_thread, ready, 0, nullptr));
    report.check(WaitForSingleObject(ready, 60000) == WAIT_OBJECT_0,
                 "a client thread still attached as the process ends", "");

    VariantClear(&bean);
    management->Release();
    util->Release();
    return report.finish();  // the end of the process must not wait on the lingering thread
}
