// The port's interface and class IDs against the Windows headers' own definitions: a wrong
// ID compiles and links, and then no client can ask for that interface.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tavlinport/windows.h"

namespace {

// A DEFINE_GUID(name, l, w1, w2, b1, ..., b8) line.
bool read_define_guid(const std::string &line, std::string *name, GUID *guid)
{
    const size_t at = line.find("DEFINE_GUID(");
    if (at == std::string::npos) return false;
    char text[128];
    unsigned long data1 = 0;
    unsigned data2 = 0, data3 = 0, b[8] = {};
    if (std::sscanf(line.c_str() + at,
                    "DEFINE_GUID ( %127[A-Za-z0-9_] , %lx , %x , %x , %x , %x , %x , %x , %x , %x , %x , %x )", text,
                    &data1, &data2, &data3, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]) != 12)
        return false;
    *guid = GUID{static_cast<DWORD>(data1), static_cast<WORD>(data2), static_cast<WORD>(data3), {}};
    for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<BYTE>(b[i]);
    *name = text;
    return true;
}

// A DEFINE_OLEGUID(name, l, w1, w2) line: an ID of OLE's range, which ends C000-000000000046.
bool read_define_oleguid(const std::string &line, std::string *name, GUID *guid)
{
    const size_t at = line.find("DEFINE_OLEGUID(");
    if (at == std::string::npos) return false;
    char text[128];
    unsigned long data1 = 0;
    unsigned data2 = 0, data3 = 0;
    if (std::sscanf(line.c_str() + at, "DEFINE_OLEGUID ( %127[A-Za-z0-9_] , %lx , %x , %x )", text, &data1, &data2,
                    &data3) != 4)
        return false;
    *guid = GUID{
        static_cast<DWORD>(data1), static_cast<WORD>(data2), static_cast<WORD>(data3), {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    *name = text;
    return true;
}

// The IDs that the headers below `folders` define, by name.
std::map<std::string, GUID> header_guids(const std::string &folders)
{
    std::map<std::string, GUID> guids;
    std::stringstream list(folders);
    for (std::string folder; std::getline(list, folder, ':');) {
        for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.path().extension() != ".h") continue;
            std::ifstream file(entry.path());
            std::string name;
            GUID guid;
            for (std::string line; std::getline(file, line);) {
                if (read_define_guid(line, &name, &guid) || read_define_oleguid(line, &name, &guid))
                    guids.emplace(name, guid);
            }
        }
    }
    return guids;
}

}  // namespace

TEST(PortGuids, EveryIdTheHeadersDefine)
{
    const std::map<std::string, GUID> headers = header_guids(TAVLIN_WINDOWS_HEADERS);
    ASSERT_FALSE(headers.empty()) << "no Windows headers found in " << TAVLIN_WINDOWS_HEADERS;
    std::stringstream names(TAVLIN_PORT_GUID_NAMES);
    int compared = 0;
    for (std::string name; names >> name; ++compared) {
        const auto *port = static_cast<const GUID *>(dlsym(RTLD_DEFAULT, name.c_str()));
        ASSERT_NE(nullptr, port) << name << " is not exported by the port";
        const auto header = headers.find(name == "IID_NULL" ? "GUID_NULL" : name);
        if (header == headers.end() && name == "IID_NULL") {
            const GUID zero{};
            EXPECT_EQ(0, std::memcmp(port, &zero, sizeof(GUID)));
            continue;
        }
        ASSERT_NE(headers.end(), header) << name << " is in no Windows header";
        EXPECT_EQ(0, std::memcmp(port, &header->second, sizeof(GUID))) << name << " differs from the headers' ID";
    }
    EXPECT_GE(compared, 12) << "the port's IDs were not all found in its sources";
}
