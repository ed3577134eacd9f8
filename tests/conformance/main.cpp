// Runs every conformance row and either records the outcomes (the Windows builds, against
// the real oleaut32 under Wine) or compares them with the record (every build).
//
//   oleaut_conformance --record FILE    write what this build's oleaut32 returns into FILE
//   oleaut_conformance --compare FILE   fail on any row that differs from FILE
//   oleaut_conformance --print          write the rows to standard output
//
// Record lines:
//   key<TAB>result
//   key<TAB>result<TAB>!i686<TAB>i686 result<TAB>reason
//       the 32-bit oleaut32 answers differently; the i686 build expects its own result
//   key<TAB>result<TAB>!wine<TAB>reason
//       Wine's answer is not the reference: the result is what the port returns, and the
//       Windows builds do not compare the row
// The x86_64 build records the results; the i686 build then adds or drops its alternatives.
// Both keep the "!wine" lines as they are.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "conformance.h"

namespace {

using conformance::Rows;

const std::string kWineMark = "!wine";
const std::string kI686Mark = "!i686";
const std::string kX87Reason = "the 32-bit oleaut32 computes this in the x87's extended precision";

#if defined(_WIN32) && !defined(_WIN64)
constexpr bool kIsI686Windows = true;
#else
constexpr bool kIsI686Windows = false;
#endif
#ifdef _WIN32
constexpr bool kIsWindows = true;
#else
constexpr bool kIsWindows = false;
#endif

struct Expectation {
    std::string result;
    std::string mark;  // empty, kWineMark or kI686Mark
    std::string i686_result;
    std::string reason;

    // What this build must produce; false when it does not compare the row.
    bool expected_here(std::string *out) const
    {
        if (mark == kWineMark && kIsWindows) return false;
        *out = mark == kI686Mark && kIsI686Windows ? i686_result : result;
        return true;
    }

    std::string line(const std::string &key) const
    {
        std::string text = key + '\t' + result;
        if (mark == kWineMark)
            text += '\t' + mark + '\t' + reason;
        else if (mark == kI686Mark)
            text += '\t' + mark + '\t' + i686_result + '\t' + reason;
        return text;
    }
};

std::vector<std::string> split_tabs(const std::string &line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

bool parse_line(const std::string &line, std::string *key, Expectation *expectation)
{
    if (line.empty() || line[0] == '#') return false;
    const std::vector<std::string> fields = split_tabs(line);
    if (fields.size() < 2) return false;
    *key = fields[0];
    *expectation = {fields[1], "", "", ""};
    if (fields.size() >= 4 && fields[2] == kWineMark) {
        expectation->mark = kWineMark;
        expectation->reason = fields[3];
    } else if (fields.size() >= 5 && fields[2] == kI686Mark) {
        expectation->mark = kI686Mark;
        expectation->i686_result = fields[3];
        expectation->reason = fields[4];
    }
    return true;
}

std::map<std::string, Expectation> read_record(const std::string &path, bool *found)
{
    std::map<std::string, Expectation> record;
    std::ifstream in(path, std::ios::binary);
    *found = static_cast<bool>(in);
    std::string line, key;
    Expectation expectation;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (parse_line(line, &key, &expectation)) record[key] = expectation;
    }
    return record;
}

void collect_rows(Rows &rows)
{
#ifdef _WIN32
    // The rows of VariantChangeType assume English (US) as the user's locale.
    if (GetUserDefaultLCID() != 0x0409)
        std::cerr << "warning: the user's default locale is " << conformance::hex(GetUserDefaultLCID())
                  << ", not 0x409\n";
#endif
    conformance::add_coercion_rows(rows);
    conformance::add_variant_rows(rows);
    conformance::add_safearray_rows(rows);
    conformance::add_date_rows(rows);
    conformance::add_errorinfo_rows(rows);
    conformance::add_stdole_rows(rows);
    conformance::add_created_typelib_rows(rows);
    conformance::add_typelib_edge_rows(rows);
}

// The new expectation of one row, from what this build observed and what the record held.
bool updated_expectation(const std::string &observed, const Expectation *old, Expectation *out)
{
    if (old && old->mark == kWineMark) {
        *out = *old;
        return true;
    }
    if (!kIsI686Windows) {
        *out = {observed, "", "", ""};
        if (old && old->mark == kI686Mark) *out = {observed, kI686Mark, old->i686_result, old->reason};
        return true;
    }
    if (!old) return false;  // the x86_64 build records first
    *out = {old->result, "", "", ""};
    if (observed != old->result)
        *out = {old->result, kI686Mark, observed, old->mark == kI686Mark ? old->reason : kX87Reason};
    return true;
}

int record(const std::string &path)
{
    if (!kIsWindows) {
        std::cerr << "only a Windows build records what oleaut32 returns\n";
        return 2;
    }
    bool found;
    const std::map<std::string, Expectation> old = read_record(path, &found);
    Rows rows;
    collect_rows(rows);
    std::vector<std::string> lines;
    for (const conformance::Row &row : rows.all()) {
        auto previous = old.find(row.key);
        Expectation expectation;
        if (!updated_expectation(row.result, previous != old.end() ? &previous->second : nullptr, &expectation)) {
            std::cerr << "not in the record, record with the x86_64 build first: " << row.key << '\n';
            return 1;
        }
        lines.push_back(expectation.line(row.key));
    }
    std::ofstream out(path, std::ios::binary);
    out << "# What oleaut32 returns for each conformance row, recorded under Wine by the Windows builds of\n"
           "# tests/conformance (see its README.md); every build compares itself with it. Lines:\n"
           "#   key<TAB>result\n"
           "#   key<TAB>result<TAB>"
        << kI686Mark
        << "<TAB>what the 32-bit oleaut32 returns<TAB>why\n"
           "#   key<TAB>what the port returns<TAB>"
        << kWineMark << "<TAB>why Wine is not the reference\n";
    for (const std::string &line : lines) out << line << '\n';
    std::cout << lines.size() << " rows recorded in " << path << '\n';
    return out ? 0 : 1;
}

int compare(const std::string &path)
{
    bool found;
    const std::map<std::string, Expectation> record = read_record(path, &found);
    if (!found) {
        std::cerr << "cannot read the record " << path << '\n';
        return 1;
    }
    Rows rows;
    collect_rows(rows);
    size_t failures = 0, compared = 0, skipped = 0;
    std::map<std::string, bool> produced;
    for (const conformance::Row &row : rows.all()) {
        produced[row.key] = true;
        auto entry = record.find(row.key);
        std::string expected;
        if (entry == record.end()) {
            std::cout << "NOT IN RECORD: " << row.key << "\n  got:      " << row.result << '\n';
            ++failures;
        } else if (!entry->second.expected_here(&expected)) {
            ++skipped;
        } else {
            ++compared;
            if (expected != row.result) {
                std::cout << "DIFFERS: " << row.key << "\n  expected: " << expected << "\n  got:      " << row.result
                          << '\n';
                ++failures;
            }
        }
    }
    for (const auto &entry : record)
        if (!produced.count(entry.first)) {
            std::cout << "NO LONGER PRODUCED: " << entry.first << '\n';
            ++failures;
        }
    std::cout << rows.all().size() << " rows, " << compared << " compared, " << skipped << " skipped as marked, "
              << failures << " failures\n";
    return failures ? 1 : 0;
}

int print()
{
    Rows rows;
    collect_rows(rows);
    for (const conformance::Row &row : rows.all()) std::cout << row.key << '\t' << row.result << '\n';
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--record" && argc == 3) return record(argv[2]);
    if (mode == "--compare" && argc == 3) return compare(argv[2]);
    if (mode == "--print" && argc == 2) return print();
    std::cerr << "usage: oleaut_conformance --record FILE | --compare FILE | --print\n";
    return 2;
}
