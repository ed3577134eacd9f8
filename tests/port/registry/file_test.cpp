// The registry file: the export format both ways, malformed files, large values, other
// processes' writes, read-only files, and two processes writing at once.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "registry/test_support.h"
#include "test_names.h"

namespace {

using namespace registry_test;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

std::string bytes(std::initializer_list<int> values)
{
    std::string result;
    for (int value : values) result.push_back(char(value));
    return result;
}

struct ReadRow {
    const char *behaviour;
    std::string file;
    const char *key;  // below HKEY_LOCAL_MACHINE
    const char *value;
    DWORD type;
    std::string data;
};

const std::vector<ReadRow> read_rows = {
    {"quoted string with escapes", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Path\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n",
     "Software\\A", "Path", REG_SZ, std::string("C:\\dir\\\"x\"", 11)},
    {"default value", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n@=\"dflt\"\n", "Software\\A", "", REG_SZ,
     std::string("dflt", 5)},
    {"dword", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"N\"=dword:0000002a\n", "Software\\A", "N", REG_DWORD,
     bytes({0x2a, 0, 0, 0})},
    {"binary", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"B\"=hex:01,02,ff\n", "Software\\A", "B", REG_BINARY,
     bytes({1, 2, 0xff})},
    {"expandable string in UTF-16", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"E\"=hex(2):25,00,50,00,00,00\n",
     "Software\\A", "E", REG_EXPAND_SZ, std::string("%P", 3)},
    {"multi-string in UTF-16",
     kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"M\"=hex(7):61,00,00,00,e9,00,00,00,00,00\n", "Software\\A", "M",
     REG_MULTI_SZ, std::string("a\0\xC3\xA9\0", 6)},
    {"qword", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Q\"=hex(b):01,00,00,00,00,00,00,80\n", "Software\\A", "Q",
     REG_QWORD, bytes({1, 0, 0, 0, 0, 0, 0, 0x80})},
    {"empty value of no type", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Z\"=hex(0):\n", "Software\\A", "Z",
     REG_NONE, ""},
    {"hex list continued on the next line",
     kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"B\"=hex:01,02,\\\n  03,04\n", "Software\\A", "B", REG_BINARY,
     bytes({1, 2, 3, 4})},
    {"keys and values found without regard to case",
     kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MixedCase]\n\"Name\"=\"v\"\n", "software\\mixedcase", "NAME", REG_SZ,
     std::string("v", 2)},
    {"CRLF line ends",
     "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"S\"=\"v\"\r\n", "Software\\A",
     "S", REG_SZ, std::string("v", 2)},
    {"UTF-8 text in quotes", kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"S\"=\"\xC3\xA9\"\n", "Software\\A", "S",
     REG_SZ, std::string("\xC3\xA9", 3)},
    {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"S\"=\"v\"\n",
     "Software\\A", "S", REG_SZ, std::string("v", 2)},
    {"HKEY_CLASSES_ROOT sections land in Software\\Classes", kHeader + "[HKEY_CLASSES_ROOT\\Tavlin.Util]\n@=\"util\"\n",
     "Software\\Classes\\Tavlin.Util", "", REG_SZ, std::string("util", 5)},
    {"comments and blank lines", kHeader + "; a comment\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n; another\n\"S\"=\"v\"\n",
     "Software\\A", "S", REG_SZ, std::string("v", 2)},
    {"REGEDIT4 keeps string data in the ANSI code page",
     "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"E\"=hex(2):25,50,00\n", "Software\\A", "E", REG_EXPAND_SZ,
     std::string("%P", 3)},
    {"a later value line replaces an earlier one",
     kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"S\"=\"one\"\n\"S\"=\"two\"\n", "Software\\A", "S", REG_SZ,
     std::string("two", 4)},
};

class ReadFormat : public testing::TestWithParam<ReadRow> {
protected:
    ScratchRegistry registry;
};

TEST_P(ReadFormat, ReadsWhatRegeditWrites)
{
    registry.write(GetParam().file);
    Key key;
    ASSERT_EQ(open_key(HKEY_LOCAL_MACHINE, GetParam().key, key), ERROR_SUCCESS) << GetParam().behaviour;
    DWORD type = 0;
    EXPECT_EQ(query_bytes(key.get(), GetParam().value, &type), GetParam().data) << GetParam().behaviour;
    EXPECT_EQ(type, GetParam().type) << GetParam().behaviour;
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadFormat, testing::ValuesIn(read_rows), test_names::by_field<&ReadRow::behaviour>);

class RegistryFile : public testing::Test {
protected:
    ScratchRegistry registry;
};

TEST_F(RegistryFile, ReadsUtf16WithByteOrderMark)
{
    const std::string text = kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"S\"=\"\xC3\xA9t\xC3\xA9\"\n";
    std::u16string wide;
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    wide.resize(size_t(units));
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), units);
    std::string file = "\xFF\xFE";
    for (char16_t unit : wide) {
        file.push_back(char(unit & 0xFF));
        file.push_back(char(unit >> 8));
    }
    registry.write(file);
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\A", "S"), "\xC3\xA9t\xC3\xA9");
}

TEST_F(RegistryFile, DeletionLinesRemoveWhatCameBefore)
{
    registry.write(kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Keep\"=\"1\"\n\"Drop\"=\"2\"\n\"Drop\"=-\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\B]\n\"X\"=\"3\"\n[-HKEY_LOCAL_MACHINE\\Software\\B]\n");
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\A", "Keep"), "1");
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\A", "Drop"), std::nullopt);
    Key gone;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, "Software\\B", gone), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFile, WritesTheExportFormat)
{
    Key key;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Mine", key), ERROR_SUCCESS);
    set_text(key.get(), nullptr, "default");
    set_text(key.get(), "Quote\"d", "C:\\dir\\\"x\"");
    const DWORD number = 42;
    RegSetValueExA(key.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number);
    const BYTE blob[] = {1, 2};
    RegSetValueExA(key.get(), "Blob", 0, REG_BINARY, blob, sizeof blob);
    const char expand[] = "%A%";
    RegSetValueExA(key.get(), "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(expand), sizeof expand);
    const char two_lines[] = "a\nb";
    RegSetValueExA(key.get(), "Lines", 0, REG_SZ, reinterpret_cast<const BYTE *>(two_lines), sizeof two_lines);
    Key empty;
    create_key(key.get(), "Empty", empty);
    EXPECT_EQ(registry.contents(), "Windows Registry Editor Version 5.00\n"
                                   "\n[HKEY_CURRENT_USER\\Software]\n"
                                   "\n[HKEY_CURRENT_USER\\Software\\Mine]\n"
                                   "@=\"default\"\n"
                                   "\"Quote\\\"d\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n"
                                   "\"Number\"=dword:0000002a\n"
                                   "\"Blob\"=hex:01,02\n"
                                   "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
                                   "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\n"
                                   "\n[HKEY_CURRENT_USER\\Software\\Mine\\Empty]\n");
}

TEST_F(RegistryFile, LongHexListsWrapAsRegeditWrapsThem)
{
    Key key;
    create_key(HKEY_CURRENT_USER, "Software\\Mine", key);
    const std::vector<BYTE> blob(100, 0xAB);
    RegSetValueExA(key.get(), "Blob", 0, REG_BINARY, blob.data(), DWORD(blob.size()));
    const std::string text = registry.contents();
    size_t longest = 0, start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 80u);
    EXPECT_NE(text.find(",\\\n  ab,"), std::string::npos);
}

// Reads the file back through a second path, so that nothing comes from what the writing
// process remembers.
std::optional<std::string> reread(const ScratchRegistry &registry, const char *key, const char *value)
{
    const std::string copy = registry.folder() + "/copy.reg";
    write_file(copy, registry.contents());
    EnvironmentOverride elsewhere("TAVLIN_REGISTRY", copy.c_str());
    Key opened;
    if (open_key(HKEY_CURRENT_USER, key, opened) != ERROR_SUCCESS) return std::nullopt;
    return query_bytes(opened.get(), value);
}

TEST_F(RegistryFile, EveryKindOfValueSurvivesTheFile)
{
    Key key;
    create_key(HKEY_CURRENT_USER, "Software\\Round\\Trip", key);
    const std::vector<std::pair<DWORD, std::string>> values = {
        {REG_SZ, std::string("plain", 6)},
        {REG_SZ, std::string("back\\slash \"quote\" \xC3\xA9") + '\0'},
        {REG_SZ, std::string("no terminator", 13)},
        {REG_SZ, std::string("cr\rlf\n", 7)},
        {REG_EXPAND_SZ, std::string("%HOME%\\x", 9)},
        {REG_MULTI_SZ, std::string("one\0two\0", 9)},
        {REG_DWORD, bytes({1, 2, 3, 4})},
        {REG_DWORD, bytes({1, 2})},
        {REG_QWORD, bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        {REG_BINARY, ""},
        {REG_NONE, bytes({9})},
        {0x1234, bytes({7, 7})},
    };
    for (size_t index = 0; index < values.size(); ++index) {
        const auto &[type, data] = values[index];
        const std::string name = "value" + std::to_string(index);
        ASSERT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                                 DWORD(data.size())),
                  ERROR_SUCCESS);
    }
    for (size_t index = 0; index < values.size(); ++index) {
        const std::string name = "value" + std::to_string(index);
        EXPECT_EQ(reread(registry, "Software\\Round\\Trip", name.c_str()), values[index].second) << name;
    }
}

TEST_F(RegistryFile, KeyNamesKeepTheirCase)
{
    Key key, same;
    create_key(HKEY_CURRENT_USER, "Software\\CamelCase", key);
    create_key(HKEY_CURRENT_USER, "SOFTWARE\\camelcase\\Child", same);
    EXPECT_NE(registry.contents().find("[HKEY_CURRENT_USER\\Software\\CamelCase\\Child]"), std::string::npos);
}

TEST_F(RegistryFile, LargeValuesWork)
{
    Key key;
    create_key(HKEY_CURRENT_USER, "Software\\Large", key);
    std::string data(1 << 20, '\0');
    for (size_t index = 0; index < data.size(); ++index) data[index] = char((index * 7919) >> 3);
    ASSERT_EQ(RegSetValueExA(key.get(), "Blob", 0, REG_BINARY, reinterpret_cast<const BYTE *>(data.data()),
                             DWORD(data.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(query_bytes(key.get(), "Blob"), data);
    EXPECT_EQ(reread(registry, "Software\\Large", "Blob"), data);
}

TEST_F(RegistryFile, AnotherWriterIsSeen)
{
    registry.write(kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"S\"=\"before\"\n");
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\A", "S"), "before");
    registry.write(kHeader + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"S\"=\"after!\"\n");
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\A", "S"), "after!");
}

TEST_F(RegistryFile, NoTemporaryFilesRemain)
{
    Key key;
    create_key(HKEY_CURRENT_USER, "Software\\Mine", key);
    for (int i = 0; i < 5; ++i) set_text(key.get(), "v", std::to_string(i));
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(registry.folder()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryFile, CreatesMissingFolders)
{
    const std::string nested = registry.folder() + "/config/tavlin/registry.reg";
    EnvironmentOverride elsewhere("TAVLIN_REGISTRY", nested.c_str());
    Key key;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Mine", key), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(nested));
}

TEST(RegistryFilePath, DefaultsToTheUsersConfigurationFolder)
{
    ScratchFolder home;
    EnvironmentOverride no_registry("TAVLIN_REGISTRY", nullptr);
    EnvironmentOverride home_folder("HOME", home.path().c_str());
    {
        EnvironmentOverride no_config("XDG_CONFIG_HOME", nullptr);
        Key key;
        ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\A", key), ERROR_SUCCESS);
        EXPECT_TRUE(std::filesystem::exists(home.path() + "/.config/tavlin/registry.reg"));
    }
    const std::string config = home.path() + "/xdg";
    EnvironmentOverride xdg("XDG_CONFIG_HOME", config.c_str());
    Key key;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\B", key), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(config + "/tavlin/registry.reg"));
}

class ReadOnlyRegistry : public RegistryFile {
protected:
    void SetUp() override
    {
        registry.write(kHeader + "[HKEY_LOCAL_MACHINE\\Software\\Varnexa\\Tidewell]\n\"max\"=\"-Xmx512m\"\n");
        chmod(registry.file().c_str(), 0444);
        original = registry.contents();
    }
    std::string original;
};

TEST_F(ReadOnlyRegistry, OpeningForWritingIsDenied)
{
    Key key;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", key, KEY_WRITE), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.get(), nullptr);
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", key, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", "max"), "-Xmx512m");
}

TEST_F(ReadOnlyRegistry, EveryChangeIsDenied)
{
    Key created;
    EXPECT_EQ(create_key(HKEY_LOCAL_MACHINE, "Software\\New", created), ERROR_ACCESS_DENIED);
    EXPECT_EQ(set_text(HKEY_LOCAL_MACHINE, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.contents(), original);
}

TEST_F(ReadOnlyRegistry, OpeningAnExistingKeyWithCreateForReadingWorks)
{
    Key key;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", 0, nullptr, 0, KEY_READ, nullptr,
                              key.put(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
}

TEST_F(RegistryFile, ReadOnlyFolderDeniesWriting)
{
    const std::string folder = registry.folder() + "/locked";
    std::filesystem::create_directory(folder);
    chmod(folder.c_str(), 0555);
    const std::string file = folder + "/registry.reg";
    EnvironmentOverride elsewhere("TAVLIN_REGISTRY", file.c_str());
    Key key;
    EXPECT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Mine", key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(open_key(HKEY_CURRENT_USER, "Software", key, KEY_READ), ERROR_FILE_NOT_FOUND);
}

// What is wrong with the file, and the file.
using MalformedRow = std::pair<const char *, std::string>;

const std::vector<MalformedRow> malformed_files = {
    {"no header", "[HKEY_LOCAL_MACHINE\\Software]\n"},
    {"binary junk", std::string("\x00\x01\x02\xFF", 4)},
    {"unclosed key", kHeader + "[HKEY_LOCAL_MACHINE\\Software\n"},
    {"unknown root", kHeader + "[HKEY_NOWHERE\\Software]\n"},
    {"value before any key", kHeader + "\"v\"=\"x\"\n"},
    {"unterminated string", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\n"},
    {"unterminated name", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v=\"x\"\n"},
    {"bad dword", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:xyz\n"},
    {"text after a dword", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:00000001 x\n"},
    {"bad hex byte", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:0g\n"},
    {"missing comma", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01 02\n"},
    {"unclosed type", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(2:01\n"},
    {"file ends inside a hex list", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n"},
    {"missing equals sign", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\" \"x\"\n"},
    {"unknown data", kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=number:5\n"},
    {"stray line", kHeader + "[HKEY_LOCAL_MACHINE\\A]\njunk\n"},
};

class MalformedFile : public testing::TestWithParam<MalformedRow> {
protected:
    ScratchRegistry registry;
};

TEST_P(MalformedFile, GivesErrorBadDbAndIsLeftAlone)
{
    registry.write(GetParam().second);
    testing::internal::CaptureStderr();
    Key key;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, "Software", key), ERROR_BADDB) << GetParam().first;
    EXPECT_EQ(create_key(HKEY_LOCAL_MACHINE, "Software\\New", key), ERROR_BADDB) << GetParam().first;
    EXPECT_EQ(set_text(HKEY_CURRENT_USER, "v", "x"), ERROR_BADDB) << GetParam().first;
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostics.find("malformed"), std::string::npos);
    EXPECT_EQ(registry.contents(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Rows, MalformedFile, testing::ValuesIn(malformed_files),
                         test_names::by_field<&MalformedRow::first>);

TEST_F(RegistryFile, AnEmptyFileIsAnEmptyRegistry)
{
    registry.write("");
    Key key;
    EXPECT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Mine", key), ERROR_SUCCESS);
}

// Each process writes its own values, one write at a time, while the other does the same.
bool write_values(const std::string &prefix, int count)
{
    Key key;
    if (create_key(HKEY_CURRENT_USER, "Software\\Race", key) != ERROR_SUCCESS) return false;
    for (int i = 0; i < count; ++i) {
        if (set_text(key.get(), (prefix + std::to_string(i)).c_str(), prefix) != ERROR_SUCCESS) return false;
    }
    return true;
}

TEST_F(RegistryFile, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kValuesEach = 200;
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) _exit(write_values("child", kValuesEach) ? 0 : 1);
    const bool parent_wrote = write_values("parent", kValuesEach);
    int child_status = 0;
    ASSERT_EQ(waitpid(child, &child_status, 0), child);
    ASSERT_TRUE(parent_wrote);
    ASSERT_TRUE(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);

    for (const char *prefix : {"child", "parent"}) {
        for (int i = 0; i < kValuesEach; ++i) {
            const std::string name = prefix + std::to_string(i);
            ASSERT_EQ(reread(registry, "Software\\Race", name.c_str()), std::string(prefix) + '\0') << name;
        }
    }
    Key key;
    ASSERT_EQ(open_key(HKEY_CURRENT_USER, "Software\\Race", key), ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(values, DWORD(2 * kValuesEach));
}

}  // namespace
