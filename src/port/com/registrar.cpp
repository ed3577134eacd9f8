// The registrar component: a registry-script interpreter over the port's registry.
//
// Script grammar, as the registrar on Windows reads it:
//   script := { root-key "{" { entry } "}" }
//   entry  := "val" name "=" value
//           | [ "NoRemove" | "ForceRemove" | "Delete" ] name [ "=" value ] [ "{" { entry } "}" ]
//   value  := "s" 'text' | "d" 'number'
// Tokens are separated by white space, except that "}" and "=" stand alone where a token
// starts (so "{5E8...}" is a key name); names and texts are words or '...' with '' for a
// quote. %NAME% is replaced before parsing.
// Registering writes every key and value (ForceRemove keys are deleted first, Delete keys
// only deleted). Unregistering walks the same tree: ForceRemove keys go with all their
// subkeys, plain keys once their own subkeys are gone, NoRemove keys stay.
#include "tavlinport/registrar.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "com/components.h"
#include "com/module_resources.h"
#include "com/support.h"

TAVLINPORT_API const CLSID CLSID_Registrar = {
    0x44EC053A, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
TAVLINPORT_API const IID IID_IRegistrar = {
    0x44EC053B, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};

namespace tavlinport {
namespace {

// What a malformed script gives, as on Windows.
constexpr HRESULT kScriptError = DISP_E_EXCEPTION;

std::string upper_ascii(std::string text)
{
    for (char &c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool is_word(const std::string &token, const char *word) { return upper_ascii(token) == upper_ascii(word); }

struct Token {
    std::string text;
    bool quoted = false;

    bool is(const char *punctuation) const { return !quoted && text == punctuation; }
    bool is_keyword(const char *word) const { return !quoted && is_word(text, word); }
};

class Tokenizer {
public:
    explicit Tokenizer(std::string text) : text_(std::move(text)) {}

    // False at the end of the script or on an unterminated quote.
    bool next(Token *token)
    {
        if (!peek(token)) return false;
        pos_ = peeked_end_;
        return true;
    }

    bool peek(Token *token)
    {
        size_t pos = pos_;
        while (pos < text_.size() && static_cast<unsigned char>(text_[pos]) <= ' ') ++pos;
        if (pos >= text_.size()) return false;
        token->quoted = text_[pos] == '\'';
        token->text.clear();
        if (token->quoted) return read_quoted(pos + 1, token);
        if (text_[pos] == '}' || text_[pos] == '=') {
            token->text = text_[pos];
            peeked_end_ = pos + 1;
            return true;
        }
        size_t end = pos;
        while (end < text_.size() && static_cast<unsigned char>(text_[end]) > ' ') ++end;
        token->text = text_.substr(pos, end - pos);
        peeked_end_ = end;
        return true;
    }

private:
    bool read_quoted(size_t pos, Token *token)
    {
        while (pos < text_.size()) {
            if (text_[pos] != '\'') {
                token->text += text_[pos++];
            } else if (pos + 1 < text_.size() && text_[pos + 1] == '\'') {
                token->text += '\'';
                pos += 2;
            } else {
                peeked_end_ = pos + 1;
                return true;
            }
        }
        return false;
    }

    std::string text_;
    size_t pos_ = 0;
    size_t peeked_end_ = 0;
};

HKEY root_key(const Token &token)
{
    static const struct {
        const char *short_name;
        const char *long_name;
        HKEY key;
    } roots[] = {
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKU", "HKEY_USERS", HKEY_USERS},
    };
    for (const auto &root : roots) {
        if (token.is_keyword(root.short_name) || token.is_keyword(root.long_name)) return root.key;
    }
    return nullptr;
}

struct Value {
    DWORD type = REG_NONE;
    std::string text;
    DWORD number = 0;
};

enum class KeyKind { plain, no_remove, force_remove, remove_only };

class ScriptRunner {
public:
    ScriptRunner(std::string script, bool registering) : tokens_(std::move(script)), registering_(registering) {}

    HRESULT run()
    {
        Token token;
        while (tokens_.next(&token)) {
            HKEY root = root_key(token);
            if (!root || !expect("{")) return kScriptError;
            HRESULT hr = entries(root);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

private:
    bool expect(const char *punctuation)
    {
        Token token;
        return tokens_.next(&token) && token.is(punctuation);
    }

    // Entries up to the closing brace. A null parent (a key that unregistering did not
    // find) still parses everything but touches nothing.
    HRESULT entries(HKEY parent)
    {
        Token token;
        while (tokens_.next(&token)) {
            if (token.is("}")) return S_OK;
            HRESULT hr = token.is_keyword("val") ? named_value(parent) : key(parent, token);
            if (FAILED(hr)) return hr;
        }
        return kScriptError;
    }

    HRESULT named_value(HKEY key)
    {
        Token name;
        Value value;
        if (!tokens_.next(&name) || !expect("=") || !read_value(&value)) return kScriptError;
        if (!key) return S_OK;
        if (!registering_) {
            RegDeleteValueA(key, name.text.c_str());
            return S_OK;
        }
        return HRESULT_FROM_WIN32(set_value(key, name.text.c_str(), value));
    }

    HRESULT key(HKEY parent, Token token)
    {
        KeyKind kind = key_kind(token);
        if (kind != KeyKind::plain && !tokens_.next(&token)) return kScriptError;
        const std::string name = token.text;
        Value value;
        Token next;
        if (tokens_.peek(&next) && next.is("=")) {
            tokens_.next(&next);
            if (!read_value(&value)) return kScriptError;
        }
        return registering_ ? register_key(parent, name, kind, value) : unregister_key(parent, name, kind);
    }

    static KeyKind key_kind(const Token &token)
    {
        if (token.is_keyword("NoRemove")) return KeyKind::no_remove;
        if (token.is_keyword("ForceRemove")) return KeyKind::force_remove;
        if (token.is_keyword("Delete")) return KeyKind::remove_only;
        return KeyKind::plain;
    }

    HRESULT register_key(HKEY parent, const std::string &name, KeyKind kind, const Value &value)
    {
        if (parent && (kind == KeyKind::force_remove || kind == KeyKind::remove_only))
            RegDeleteTreeA(parent, name.c_str());
        RegKey key;
        if (parent && kind != KeyKind::remove_only) {
            LSTATUS status = key.create(parent, name);
            if (status == ERROR_SUCCESS && value.type != REG_NONE) status = set_value(key.get(), nullptr, value);
            if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        }
        return children(key.get());
    }

    HRESULT unregister_key(HKEY parent, const std::string &name, KeyKind kind)
    {
        RegKey key;
        if (parent) key.open(parent, name, KEY_ALL_ACCESS);
        HRESULT hr = children(key.get());
        if (FAILED(hr) || !key.get()) return hr;
        bool emptied = key.subkey_count() == 0;
        key.close();
        if (kind == KeyKind::force_remove) {
            RegDeleteTreeA(parent, name.c_str());
        } else if (kind == KeyKind::plain && emptied) {
            RegDeleteKeyA(parent, name.c_str());
        }
        return S_OK;
    }

    // The optional "{ ... }" after a key.
    HRESULT children(HKEY key)
    {
        Token next;
        if (!tokens_.peek(&next) || !next.is("{")) return S_OK;
        tokens_.next(&next);
        return entries(key);
    }

    bool read_value(Value *value)
    {
        Token type, text;
        if (!tokens_.next(&type) || !tokens_.next(&text)) return false;
        if (type.is_keyword("s")) {
            value->type = REG_SZ;
            value->text = text.text;
            return true;
        }
        if (type.is_keyword("d")) {
            char *end = nullptr;
            value->type = REG_DWORD;
            value->number = static_cast<DWORD>(std::strtoul(text.text.c_str(), &end, 0));
            return !text.text.empty() && *end == '\0';
        }
        return false;
    }

    static LSTATUS set_value(HKEY key, const char *name, const Value &value)
    {
        if (value.type == REG_DWORD)
            return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value.number),
                                  sizeof value.number);
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.text.c_str()),
                              static_cast<DWORD>(value.text.size() + 1));
    }

    Tokenizer tokens_;
    bool registering_;
};

class Registrar final : public RefCounted<Registrar, IRegistrar> {
public:
    static bool answers(REFIID iid) { return IsEqualIID(iid, IID_IRegistrar); }

    HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR key, LPCOLESTR item) override
    {
        if (!key || !item) return E_INVALIDARG;
        replacements_[upper_ascii(to_utf8(key))] = to_utf8(item);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearReplacements() override
    {
        replacements_.clear();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE ResourceRegisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) override
    {
        return run_named_resource(file, id, type, true);
    }
    HRESULT STDMETHODCALLTYPE ResourceUnregisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) override
    {
        return run_named_resource(file, id, type, false);
    }
    HRESULT STDMETHODCALLTYPE FileRegister(LPCOLESTR file) override { return run_file(file, true); }
    HRESULT STDMETHODCALLTYPE FileUnregister(LPCOLESTR file) override { return run_file(file, false); }
    HRESULT STDMETHODCALLTYPE StringRegister(LPCOLESTR data) override { return run(to_utf8(data), true); }
    HRESULT STDMETHODCALLTYPE StringUnregister(LPCOLESTR data) override { return run(to_utf8(data), false); }
    HRESULT STDMETHODCALLTYPE ResourceRegister(LPCOLESTR file, UINT id, LPCOLESTR type) override
    {
        return run_resource(file, id, type, true);
    }
    HRESULT STDMETHODCALLTYPE ResourceUnregister(LPCOLESTR file, UINT id, LPCOLESTR type) override
    {
        return run_resource(file, id, type, false);
    }

private:
    // The port numbers its resources, so a name can only be the "#123" spelling of a number.
    HRESULT run_named_resource(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type, bool registering)
    {
        std::string name = to_utf8(id);
        char *end = nullptr;
        if (name.size() < 2 || name[0] != '#') return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
        unsigned long number = std::strtoul(name.c_str() + 1, &end, 10);
        if (*end != '\0') return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
        return run_resource(file, static_cast<UINT>(number), type, registering);
    }

    HRESULT run_resource(LPCOLESTR file, UINT id, LPCOLESTR type, bool registering)
    {
        if (!file || !type) return E_INVALIDARG;
        ModuleResources module(file);
        if (!module.loaded()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        const PortResource *resource = module.find(type, id);
        if (!resource) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
        return run_ansi(static_cast<const char *>(resource->data), resource->size, registering);
    }

    HRESULT run_file(LPCOLESTR file, bool registering)
    {
        std::ifstream in(to_utf8(file), std::ios::binary);
        if (!in) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return run_ansi(bytes.data(), bytes.size(), registering);
    }

    // Scripts in resources and files are text in the ANSI code page.
    HRESULT run_ansi(const char *bytes, size_t size, bool registering)
    {
        std::u16string text = to_utf16(bytes, size, CP_ACP);
        return run(to_utf8(text.c_str()), registering);
    }

    HRESULT run(const std::string &script, bool registering)
    {
        std::string expanded;
        if (!expand(script, &expanded)) return kScriptError;
        return ScriptRunner(std::move(expanded), registering).run();
    }

    // %NAME% becomes the replacement's text, %% a single %.
    bool expand(const std::string &script, std::string *out) const
    {
        for (size_t pos = 0; pos < script.size();) {
            if (script[pos] != '%') {
                *out += script[pos++];
                continue;
            }
            size_t end = script.find('%', pos + 1);
            if (end == std::string::npos) return false;
            if (end == pos + 1) {
                *out += '%';
            } else {
                auto found = replacements_.find(upper_ascii(script.substr(pos + 1, end - pos - 1)));
                if (found == replacements_.end()) return false;
                *out += found->second;
            }
            pos = end + 1;
        }
        return true;
    }

    std::map<std::string, std::string> replacements_;
};

}  // namespace

HRESULT create_registrar(REFIID iid, void **object)
{
    Registrar *registrar = new Registrar;
    HRESULT hr = registrar->QueryInterface(iid, object);
    registrar->Release();
    return hr;
}

}  // namespace tavlinport
