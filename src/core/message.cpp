#include "core/message.h"

#include <cstring>

namespace trelvo {
namespace {

const CatalogEntry* Find(std::string_view id) {
    const CatalogView c = Catalog();
    // The generator writes the entries sorted by id.
    std::size_t lo = 0, hi = c.count;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        const int cmp = id.compare(c.entries[mid].id);
        if (cmp == 0) return &c.entries[mid];
        if (cmp < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return nullptr;
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

}  // namespace

Message::Message(std::string_view id) {
    if (const CatalogEntry* e = Find(id))
        catalogId_ = e->id;
    else
        ownId_ = id;
}

std::string Message::ArgText(std::string_view name) const {
    const Argument* a = FindArg(*this, name);
    return a ? ArgValue(*a, Lang::kEnglish) : std::string();
}

const char* CatalogText(std::string_view id, Lang lang) {
    const CatalogEntry* e = Find(id);
    if (!e) return nullptr;
    if (lang == Lang::kJapanese && e->japanese[0] != '\0') return e->japanese;
    return e->english;
}

std::string Render(const Message& m, Lang lang) {
    const char* text = CatalogText(m.id(), lang);
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
