// A class's properties: the names a script reads and writes without parentheses. A property
// is a JavaBean accessor pair (getName() or isName() returning boolean or Boolean, and
// setName(v), all named "Name") or a public field, or both under one name; names compare
// ASCII-case-insensitively, as method names do. Built once per class from its method table
// and kept with it.
//
// DISPIDs: a method's is its table position plus one; a property's is kFirstPropertyDispid
// plus its position here. The two ranges never meet (no class has 2^28 public methods), so a
// DISPID says by its value alone which kind of member it designates.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

#include "bridge/members/name_index.h"
#include "convert/java_type.h"
#include "util/platform.h"
#include "vmhost/global_ref.h"

namespace tavlin {

class MethodTable;

constexpr DISPID kFirstPropertyDispid = 0x10000000;

// A public field as a property reads and writes it.
struct FieldFacts {
    jfieldID id = nullptr;
    bool is_static = false;
    bool is_final = false;
    char type_code = 0;     // as a method's return code: 'z' ... 'd', or 'l'
    std::string type_name;  // slash form
    GlobalRef<jclass> type_class;
    ParameterShape shape;

    JavaType type() const { return JavaType(type_name.c_str(), type_class.get(), shape); }
    bool is_array() const { return type_name[0] == '['; }
};

struct Property {
    static constexpr int kNone = -1;

    std::string name;  // as declared: "Name" of getName, or the field's own name
    // The method table position of the accessor's first namesake, where the overloads of its
    // name are chosen among as for any call; kNone when the class has no such accessor.
    int getter = kNone;
    int setter = kNone;
    bool has_field = false;
    FieldFacts field;
};

class PropertyTable {
public:
    // Reads the accessors out of `methods` (a table of Members::Methods) and the public fields
    // of its class. Throws TavlinEx*.
    static PropertyTable *build(JNIEnv *env, const MethodTable &methods);

    int count() const { return static_cast<int>(properties_.size()); }
    const Property &at(int position) const { return properties_[position]; }
    // The position of the property of that name, or -1.
    int find(const FoldedName &name) const { return index_.find(name); }

private:
    PropertyTable(std::vector<Property> properties, const std::vector<std::string> &names)
        : properties_(std::move(properties)), index_(names)
    {
    }

    std::vector<Property> properties_;
    NameIndex index_;
};

}  // namespace tavlin
