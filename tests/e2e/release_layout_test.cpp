// The library alone in its folder, no settings, started from a folder where somebody left
// classes of their own: nothing of theirs is loaded or run, and the client's standard error
// stays the client's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "client.h"
#include "output_capture.h"
#include "test_process.h"

using namespace tavlin_test;
namespace fs = std::filesystem;

namespace {

unsigned long process_id()
{
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

struct LayoutRow {
    const char *name;
    bool vm_options_subkey;  // any product subkey used to add an empty class-path entry
};

class ReleaseLayout : public ::testing::TestWithParam<LayoutRow> {
protected:
    void SetUp() override
    {
        use_fresh_registry();
        set_environment("CLASSPATH", "");
        if (GetParam().vm_options_subkey) add_vm_option("-Dtavlin.layout=1");
        folder_ = fs::temp_directory_path() / ("tavlin-planted-" + std::to_string(process_id()) + GetParam().name);
        fs::remove_all(folder_);
        fs::copy(TAVLIN_PLANTED_CLASSES, folder_, fs::copy_options::recursive);
        fs::current_path(folder_);
    }
    bool marker_left() const
    {
        return fs::exists(folder_ / "planted-QZException-ran") || fs::exists(folder_ / "planted-Planted-ran");
    }
    fs::path folder_;
};

}  // namespace

TEST_P(ReleaseLayout, NothingComesFromTheCurrentFolder)
{
#ifndef _WIN32
    OutputCapture error_stream(2);
#endif
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    EXPECT_FALSE(marker_left()) << "a planted class ran at the first call";

    ComPtr<IDispatch> planted;
    EXPECT_NE(S_OK, new_instance("Planted", planted));
    EXPECT_EQ("java.lang.ClassNotFoundException: Planted", taken_error().description);
    EXPECT_FALSE(marker_left());
    ComPtr<IDispatch> list_of_nothing;
    EXPECT_NE(S_OK, new_instance("java.util.Nope", list_of_nothing)) << "a caught Java exception, described";

    ComPtr<IDispatch> system;
    ASSERT_EQ(S_OK, statics("java.lang.System", system));
    ScopedVariant name = ScopedVariant::string("java.class.path");
    const std::string path = text_of(call(system.get(), "getProperty", {name.get()}));
    const std::string separator = path.find(';') != std::string::npos ? ";" : ":";
    EXPECT_EQ(std::string::npos, (separator + path + separator).find(separator + separator))
        << "an empty entry, which Java reads as the current folder: " << path;
#ifndef _WIN32
    EXPECT_EQ("", error_stream.finish()) << "the bridge wrote to the client's standard error";
#endif
}

INSTANTIATE_TEST_SUITE_P(Rows, ReleaseLayout,
                         ::testing::Values(LayoutRow{"NoSettings", false}, LayoutRow{"VmOptionsSubkey", true}),
                         [](const ::testing::TestParamInfo<LayoutRow> &info) { return std::string(info.param.name); });
