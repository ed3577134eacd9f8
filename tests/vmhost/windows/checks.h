// The Windows test programs' report: one line per check, then "N passed, M failed", and an
// exit code that says whether every check passed.
#pragma once

#include <cstdio>
#include <string>

namespace windows_test {

class Checks {
public:
    void check(bool ok, const char *what, const std::string &seen)
    {
        (ok ? passed_ : failed_)++;
        std::printf("%s: %s (%s)\n", ok ? "ok" : "FAILED", what, seen.c_str());
        std::fflush(stdout);
    }

    int finish() const
    {
        std::printf("%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    int passed_ = 0;
    int failed_ = 0;
};

}  // namespace windows_test
