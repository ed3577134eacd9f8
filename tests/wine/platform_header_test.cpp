// The platform header on real Windows DLLs: the port's conformance rows for code pages, the
// registry, critical sections and interlocked counts, and a VARIANT holding a BSTR. Run
// under Wine by the rig; prints "N passed, M failed" and fails when anything did.
#include <cstdio>
#include <string>

#include "kernel/codepage_rows.h"
#include "kernel/sync_rows.h"
#include "registry/conformance_rows.h"
#include "util/platform.h"

namespace {

class Tally {
public:
    // `problems` empty means the check held.
    void record(const std::string &what, const std::string &problems)
    {
        if (problems.empty()) {
            ++passed_;
            return;
        }
        ++failed_;
        std::printf("FAIL %s: %s\n", what.c_str(), problems.c_str());
    }
    void expect(const std::string &what, bool holds) { record(what, holds ? "" : "does not hold"); }
    int report() const
    {
        std::printf("%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    int passed_ = 0;
    int failed_ = 0;
};

void check_code_pages(Tally &tally)
{
    for (const auto &row : codepage_rows::to_wide_rows())
        tally.record(std::string("MultiByteToWideChar: ") + row.behaviour, codepage_rows::check(row));
    for (const auto &row : codepage_rows::to_multi_byte_rows())
        tally.record(std::string("WideCharToMultiByte: ") + row.behaviour, codepage_rows::check(row));
}

void check_registry(Tally &tally)
{
    const char *scratch = "Software\\TavlinPlatformHeaderTest";
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch);
    const auto &rows = registry_rows::rows();
    for (size_t index = 0; index < rows.size(); ++index) {
        registry_rows::KeyHolder base;
        const std::string path = std::string(scratch) + "\\row" + std::to_string(index);
        const LONG created = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             base.put(), nullptr);
        tally.record(std::string("registry: ") + rows[index].behaviour,
                     created == ERROR_SUCCESS ? rows[index].check(base.get()) : "the scratch key cannot be created");
    }
    tally.expect("registry: the scratch key is removed", RegDeleteTreeA(HKEY_CURRENT_USER, scratch) == ERROR_SUCCESS);
}

void check_synchronisation(Tally &tally)
{
    for (const auto &row : sync_rows::rows())
        tally.record(std::string("synchronisation: ") + row.behaviour, row.check());
}

void check_variant_with_bstr(Tally &tally)
{
    BSTR text = SysAllocString(OLESTR("42 km"));
    tally.expect("BSTR: length in characters and bytes", SysStringLen(text) == 5 && SysStringByteLen(text) == 10);
    VARIANT original, copy, number;
    VariantInit(&original);
    VariantInit(&copy);
    VariantInit(&number);
    V_VT(&original) = VT_BSTR;
    V_BSTR(&original) = SysAllocStringLen(text, 2);
    SysFreeString(text);
    tally.expect("VARIANT: copy owns its own BSTR", VariantCopy(&copy, &original) == S_OK && V_VT(&copy) == VT_BSTR &&
                                                        V_BSTR(&copy) != V_BSTR(&original) &&
                                                        tavlin::OleString(V_BSTR(&copy)) == OLESTR("42"));
    tally.expect("VARIANT: a BSTR coerces to VT_I4",
                 VariantChangeType(&number, &copy, 0, VT_I4) == S_OK && V_VT(&number) == VT_I4 && V_I4(&number) == 42);
    tally.expect("VARIANT: clearing empties it",
                 VariantClear(&original) == S_OK && VariantClear(&copy) == S_OK && V_VT(&copy) == VT_EMPTY);
}

}  // namespace

int main()
{
    Tally tally;
    check_code_pages(tally);
    check_registry(tally);
    check_synchronisation(tally);
    check_variant_with_bstr(tally);
    tally.expect("platform: Windows list separator", tavlin::kPathListSeparator == ';');
    return tally.report();
}
