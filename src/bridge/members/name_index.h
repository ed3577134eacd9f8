// Method names as clients look them up: without regard to ASCII case (the letters _stricmp
// folds), answered by an open-addressing table of folded names probed by their hash, with no
// allocation on the way for a name of ordinary length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/platform.h"

namespace tavlin {

// A name with its ASCII letters folded, in UTF-8, and its hash.
class FoldedName {
public:
    explicit FoldedName(const OLECHAR *name);  // a client's name; folded straight from UTF-16 when ASCII
    explicit FoldedName(const std::string &utf8);
    FoldedName(const FoldedName &) = delete;
    FoldedName &operator=(const FoldedName &) = delete;

    const char *data() const { return data_; }
    size_t size() const { return size_; }
    size_t hash() const { return hash_; }

private:
    void fold_spilled();

    char inline_[64];
    std::string spilled_;  // names longer than inline_ holds, and non-ASCII ones
    const char *data_ = inline_;
    size_t size_ = 0;
    size_t hash_ = 0;
};

class NameIndex {
public:
    // `names[i]` is the name of table position i; a name's first position is the one kept.
    explicit NameIndex(const std::vector<std::string> &names);

    // The first position of the name, or -1.
    int find(const FoldedName &name) const;

private:
    struct Slot {
        size_t hash;
        int32_t position;       // -1: empty
        uint32_t offset, size;  // the folded name within names_
    };
    std::vector<Slot> slots_;
    size_t mask_ = 0;
    std::string names_;
};

}  // namespace tavlin
