// The conformance rows of the automation functions: each row runs one operation on one
// input and describes the outcome as text that is the same on every platform, so that a
// run against the real oleaut32 can be recorded and a run against the port compared with it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "util/platform.h"

namespace conformance {

struct Row {
    std::string key;
    std::string result;
};

// Collects rows; a key that comes twice is a mistake in the tables and stops the run.
class Rows {
public:
    void add(const std::string &key, const std::string &result);
    const std::vector<Row> &all() const { return rows_; }

private:
    std::vector<Row> rows_;
    std::map<std::string, size_t> index_;
};

void add_coercion_rows(Rows &rows);
void add_variant_rows(Rows &rows);
void add_safearray_rows(Rows &rows);
void add_date_rows(Rows &rows);
void add_errorinfo_rows(Rows &rows);
void add_stdole_rows(Rows &rows);
void add_created_typelib_rows(Rows &rows);
void add_typelib_edge_rows(Rows &rows);

// Stable text forms.
std::string hresult_text(HRESULT hr);
std::string guid_text(const GUID &guid);
std::string vartype_text(VARTYPE vt);
std::string hex(uint64_t value);
std::string real_text(double value);
std::string real_text(float value);
std::string quoted(const OLECHAR *text, size_t length);
std::string bstr_text(BSTR bstr);
std::string describe(const VARIANT &v);

// Objects that rows hand to the functions, named so that descriptions can tell which one a
// result holds.
void name_object(const void *object, const std::string &name);

// A BSTR from UTF-16 code units; null for a null text.
BSTR make_bstr(const char16_t *text);
BSTR make_bstr(const std::u16string &text);

// The VARIANT a row starts from: made fresh for every use, cleared by its owner.
VARIANT variant_of(VARTYPE vt);

}  // namespace conformance
