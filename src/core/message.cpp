#include "core/message.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace trelvo {
namespace {

// The catalog's entries by id: open addressing over a hash of the id, built on first use, so
// that making a message costs one comparison of its id, not one per step of a search.
class CatalogIndex {
public:
    explicit CatalogIndex(CatalogView c) : entries_(c.entries) {
        std::size_t size = 16;
        while (size < c.count * 2) size *= 2;
        mask_ = size - 1;
        slots_.resize(size);
        for (std::size_t i = 0; i < c.count; ++i) {
            const std::string_view id(c.entries[i].id);
            const std::uint32_t h = Hash(id);
            std::size_t at = h & mask_;
            while (slots_[at].entry) at = (at + 1) & mask_;
            slots_[at] = {h, static_cast<std::uint32_t>(id.size()), static_cast<std::uint32_t>(i + 1)};
        }
    }

    const CatalogEntry* Find(std::string_view id) const {
        const std::uint32_t h = Hash(id);
        for (std::size_t at = h & mask_;; at = (at + 1) & mask_) {
            const Slot& s = slots_[at];
            if (!s.entry) return nullptr;
            const CatalogEntry& e = entries_[s.entry - 1];
            if (s.hash == h && s.length == id.size() && std::memcmp(e.id, id.data(), id.size()) == 0)
                return &e;
        }
    }

private:
    struct Slot {
        std::uint32_t hash = 0, length = 0;
        std::uint32_t entry = 0;  // the entry's index + 1; 0: free
    };
    // FNV-1a.
    static std::uint32_t Hash(std::string_view s) {
        std::uint32_t h = 2166136261u;
        for (const char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }

    const CatalogEntry* entries_;
    std::size_t mask_ = 0;
    std::vector<Slot> slots_;
};

const CatalogEntry* Find(std::string_view id) {
    static const CatalogIndex index(Catalog());
    return index.Find(id);
}

const Message::Argument* FindArg(const Message& m, std::string_view name) {
    for (std::size_t i = 0; i < m.ArgCount(); ++i)
        if (m.ArgAt(i).name == name) return &m.ArgAt(i);
    return nullptr;
}

std::string ArgValue(const Message::Argument& a, Lang lang) {
    return a.nested ? Render(*a.nested, lang) : a.text;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The entry's text in `lang`; English when the language has none.
const char* EntryText(const CatalogEntry* e, Lang lang) {
    if (!e) return nullptr;
    if (lang == Lang::kJapanese && e->japanese[0] != '\0') return e->japanese;
    return e->english;
}

}  // namespace

Message::Message(std::string_view id) : entry_(Find(id)) {
    if (!entry_) ownId_ = id;
}

std::string_view Message::id() const {
    return entry_ ? std::string_view(entry_->id) : std::string_view(ownId_);
}

std::string Message::ArgText(std::string_view name) const {
    const Argument* a = FindArg(*this, name);
    return a ? ArgValue(*a, Lang::kEnglish) : std::string();
}

const char* CatalogText(std::string_view id, Lang lang) {
    return EntryText(Find(id), lang);
}

std::string Render(const Message& m, Lang lang) {
    const char* text = EntryText(m.catalogEntry(), lang);
    if (!text) {
        std::string s(m.id());
        for (std::size_t i = 0; i < m.ArgCount(); ++i) {
            const Message::Argument& a = m.ArgAt(i);
            s.append(" ").append(a.name).append("=").append(ArgValue(a, lang));
        }
        return s;
    }
    std::string out;
    const std::string_view t(text);
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] != '{') {
            out += t[i++];
            continue;
        }
        const std::size_t close = t.find('}', i);
        if (close == std::string_view::npos) {
            out.append(t.substr(i));
            break;
        }
        const std::string_view inside = t.substr(i + 1, close - i - 1);
        const std::size_t bar = inside.find('|');
        const std::string_view name = inside.substr(0, bar);
        const Message::Argument* a = FindArg(m, name);
        if (bar == std::string_view::npos) {
            if (a)
                out += ArgValue(*a, lang);
            else
                out.append(t.substr(i, close - i + 1));
        } else {
            // {count|one|other}
            const std::string_view forms = inside.substr(bar + 1);
            const std::size_t bar2 = forms.find('|');
            const bool one = a && ArgValue(*a, lang) == "1";
            out.append(one                              ? forms.substr(0, bar2)
                       : bar2 == std::string_view::npos ? forms
                                                        : forms.substr(bar2 + 1));
        }
        i = close + 1;
    }
    return out;
}

std::string Text(std::string_view id, Lang lang) {
    return Render(Message(std::string(id)), lang);
}

Lang LangFromCode(std::string_view code) {
    return code.size() >= 2 && Lower(code[0]) == 'j' && Lower(code[1]) == 'a' ? Lang::kJapanese
                                                                              : Lang::kEnglish;
}

bool IsLangCode(std::string_view code) {
    return code.size() == 2 && ((Lower(code[0]) == 'j' && Lower(code[1]) == 'a') ||
                                (Lower(code[0]) == 'e' && Lower(code[1]) == 'n'));
}

Lang ChooseLang(std::string_view option, std::string_view setting, std::string_view localeCode) {
    if (IsLangCode(option)) return LangFromCode(option);
    if (IsLangCode(setting)) return LangFromCode(setting);
    return LangFromCode(localeCode);
}

}  // namespace trelvo
