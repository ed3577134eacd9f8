#include "bridge/members/name_index.h"

#include <cstring>
#include <functional>
#include <string_view>

#include "util/text.h"

namespace tavlin {

namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t ole_length(const OLECHAR *text)
{
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

}  // namespace

// A short ASCII name is folded straight into the buffer in one pass; anything else (a longer
// name, a character beyond ASCII) goes through UTF-8 instead.
FoldedName::FoldedName(const OLECHAR *name)
{
    size_t i = 0;
    for (; name[i]; ++i) {
        if (name[i] >= 0x80 || i == sizeof inline_) {
            spilled_ = ole_to_utf8(name, i + ole_length(name + i));
            fold_spilled();
            return;
        }
        inline_[i] = fold(static_cast<char>(name[i]));
    }
    size_ = i;
    hash_ = std::hash<std::string_view>()(std::string_view(inline_, size_));
}

FoldedName::FoldedName(const std::string &utf8) : spilled_(utf8) { fold_spilled(); }

void FoldedName::fold_spilled()
{
    for (char &c : spilled_) c = fold(c);
    data_ = spilled_.data();
    size_ = spilled_.size();
    hash_ = std::hash<std::string_view>()(spilled_);
}

NameIndex::NameIndex(const std::vector<std::string> &names)
{
    size_t capacity = 8;
    while (capacity < names.size() * 2) capacity *= 2;
    slots_.assign(capacity, Slot{0, -1, 0, 0});
    mask_ = capacity - 1;
    for (size_t position = 0; position < names.size(); ++position) {
        FoldedName name(names[position]);
        if (find(name) >= 0) continue;  // the first position of a name stays
        size_t i = name.hash() & mask_;
        while (slots_[i].position >= 0) i = (i + 1) & mask_;
        slots_[i] = Slot{name.hash(), static_cast<int32_t>(position), static_cast<uint32_t>(names_.size()),
                         static_cast<uint32_t>(name.size())};
        names_.append(name.data(), name.size());
    }
}

int NameIndex::find(const FoldedName &name) const
{
    for (size_t i = name.hash() & mask_;; i = (i + 1) & mask_) {
        const Slot &slot = slots_[i];
        if (slot.position < 0) return -1;
        if (slot.hash == name.hash() && slot.size == name.size() &&
            std::memcmp(names_.data() + slot.offset, name.data(), name.size()) == 0)
            return slot.position;
    }
}

}  // namespace tavlin
