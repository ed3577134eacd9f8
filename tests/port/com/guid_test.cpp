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

// DEFINE_GUID(name, l, w1, w2, b1, ..., b8) lines of every header below `folders`.
std::map<std::string, GUID> header_guids(const std::string &folders)
{
    std::map<std::string, GUID> guids;
    std::stringstream list(folders);
    for (std::string folder; std::getline(list, folder, ':');) {
        for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.path().extension() != ".h") continue;
            std::ifstream file(entry.path());
            for (std::string line; std::getline(file, line);) {
                const size_t at = line.find("DEFINE_GUID(");
                if (at == std::string::npos) continue;
                char name[128];
                unsigned long data1 = 0;
                unsigned data2 = 0, data3 = 0, b[8] = {};
                if (std::sscanf(
                        line.c_str() + at,
                        "DEFINE_GUID ( %127[A-Za-z0-9_] , %lx , %x , %x , %x , %x , %x , %x , %x , %x , %x , %x )",
                        name, &data1, &data2, &data3, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]) != 12)
                    continue;
                GUID guid{static_cast<DWORD>(data1), static_cast<WORD>(data2), static_cast<WORD>(data3), {}};
                for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<BYTE>(b[i]);
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
