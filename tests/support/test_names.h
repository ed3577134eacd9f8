// Names for the rows of parameterised tests. Without one GoogleTest names a row by its index
// and ctest prints the row's bytes; with one, a failure names the case it is about. A row's
// name may hold only ASCII letters, digits and underscores, so text is sanitised first.
// Header only: the port's tests use it without the rest of this folder's library.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace test_names {

// The text with each run of other characters turned into one underscore and none at either
// end; text with no letter or digit in it is named by if_blank.
inline std::string sanitized(std::string_view text, std::string_view if_blank = "Blank")
{
    std::string name;
    bool gap = false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            gap = true;
            continue;
        }
        if (gap && !name.empty()) name += '_';
        name += c;
        gap = false;
    }
    return name.empty() ? std::string(if_blank) : name;
}

template <class Member> struct RowOf;
template <class Row, class Field> struct RowOf<Field Row::*> {
    using type = Row;
};

// A name generator for INSTANTIATE_TEST_SUITE_P: each row is named by one of its text fields,
// as in test_names::by_field<&Row::behaviour>.
template <auto Field> std::string by_field(const testing::TestParamInfo<typename RowOf<decltype(Field)>::type> &info)
{
    return sanitized(info.param.*Field);
}

}  // namespace test_names
