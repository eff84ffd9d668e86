// Texts the program writes for the user, as values: an id of the message catalog and named
// arguments. The engine makes them; a front end renders them in the user's language.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace trelvo {

enum class Lang { kEnglish, kJapanese };

class Message {
public:
    Message() = default;
    explicit Message(std::string id) : id_(std::move(id)) {}

    // Sets the argument `name` ("file", "line", "record", "value", ...) that the text shows
    // where it says {name}.
    Message& Arg(std::string name, std::string value) {
        if (args_.empty()) args_.reserve(kUsualArgs);  // one allocation for most messages
        args_.push_back({std::move(name), std::move(value), nullptr});
        return *this;
    }
    Message& Arg(std::string name, const char* value) { return Arg(std::move(name), std::string(value)); }
    Message& Arg(std::string name, std::string_view value) {
        return Arg(std::move(name), std::string(value));
    }
    template <typename N, typename = std::enable_if_t<std::is_integral_v<N> && !std::is_same_v<N, bool> &&
                                                      !std::is_same_v<N, char>>>
    Message& Arg(std::string name, N value) {
        return Arg(std::move(name), std::to_string(value));
    }
    // An argument that is itself a message, rendered in the same language.
    Message& Arg(std::string name, Message value) {
        return Arg(std::move(name), std::make_shared<const Message>(std::move(value)));
    }
    // The same with a message already shared: one record's place, given to each of its warnings,
    // is built once.
    Message& Arg(std::string name, std::shared_ptr<const Message> value) {
        if (args_.empty()) args_.reserve(kUsualArgs);
        args_.push_back({std::move(name), std::string(), std::move(value)});
        return *this;
    }

    const std::string& id() const { return id_; }
    bool empty() const { return id_.empty(); }

    static constexpr std::size_t kUsualArgs = 4;
    struct Argument {
        std::string name;
        std::string text;
        std::shared_ptr<const Message> nested;  // set: the argument is this message
    };
    const std::vector<Argument>& args() const { return args_; }
    // The argument's text as given (a nested message in English); empty when not set.
    std::string ArgText(std::string_view name) const;

private:
    std::string id_;
    std::vector<Argument> args_;
};

// The catalog's text for `id` in `lang` without arguments filled in; English when the language
// has none; nullptr for an id the catalog lacks.
const char* CatalogText(std::string_view id, Lang lang);

// The message's text in `lang`. Each {name} becomes its argument; {name|one|other} becomes
// "one" when the argument is 1, else "other" (English plurals). An id the catalog lacks shows
// as the id with its arguments, so nothing is lost.
std::string Render(const Message& m, Lang lang);

// A message of the catalog without arguments, rendered.
std::string Text(std::string_view id, Lang lang);

// One entry of the catalog (generated from po/ja.po at build time).
struct CatalogEntry {
    const char* id;
    const char* english;
    const char* japanese;  // "" when not translated yet
};
struct CatalogView {
    const CatalogEntry* entries;
    std::size_t count;
};
CatalogView Catalog();

// "ja..." (any case) is Japanese; "en...", "C", "POSIX" and everything else English.
Lang LangFromCode(std::string_view code);
// True for the values --lang and [TRELVO5-UI] Lang= take: "ja", "en" (any case).
bool IsLangCode(std::string_view code);
// The language to use: the option when given, else the settings' value when it names one,
// else the user's locale (`localeCode`, from UserLanguageCode()).
Lang ChooseLang(std::string_view option, std::string_view setting, std::string_view localeCode);

}  // namespace trelvo
