#include "bridge/name_index.h"

#include <cstring>

#include "util/text.h"

namespace tavlin {

namespace {

constexpr uint32_t kFnvOffset = 2166136261u, kFnvPrime = 16777619u;

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t ole_length(const OLECHAR *text)
{
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

}  // namespace

FoldedName::FoldedName(const OLECHAR *name)
{
    const size_t length = ole_length(name);
    bool ascii = length <= sizeof inline_;
    for (size_t i = 0; ascii && i < length; ++i) ascii = name[i] < 0x80;
    if (!ascii) {
        spilled_ = ole_to_utf8(name, length);
        fold_spilled();
        return;
    }
    uint32_t hash = kFnvOffset;
    for (size_t i = 0; i < length; ++i) {
        inline_[i] = fold(static_cast<char>(name[i]));
        hash = (hash ^ static_cast<unsigned char>(inline_[i])) * kFnvPrime;
    }
    size_ = length;
    hash_ = hash;
}

FoldedName::FoldedName(const std::string &utf8) : spilled_(utf8) { fold_spilled(); }

void FoldedName::fold_spilled()
{
    uint32_t hash = kFnvOffset;
    for (char &c : spilled_) {
        c = fold(c);
        hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
    }
    data_ = spilled_.data();
    size_ = spilled_.size();
    hash_ = hash;
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
