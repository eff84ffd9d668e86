// Texts the program writes for the user, as values: an id of the message catalog and named
// arguments. The engine makes them; a front end renders them in the user's language.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace trelvo {

enum class Lang { kEnglish, kJapanese };

struct CatalogEntry;

class Message {
public:
    // An argument's name: always a literal ("file", "line", ...), kept as a view of it.
    struct ArgName {
        template <std::size_t N>
        constexpr ArgName(const char (&literal)[N]) : text(literal, N - 1) {}  // NOLINT: implicit
        std::string_view text;
    };

    Message() = default;
    // An id of the catalog is kept as a pointer to the catalog's entry; any other id (a text
    // the catalog lacks) is copied.
    explicit Message(std::string_view id);

    // Sets the argument `name` ("file", "line", "record", "value", ...) that the text shows
    // where it says {name}.
    Message& Arg(ArgName name, std::string value) {
        Argument& a = Add(name);
        a.text = std::move(value);
        return *this;
    }
    Message& Arg(ArgName name, const char* value) { return Arg(name, std::string_view(value)); }
    Message& Arg(ArgName name, std::string_view value) {
        Add(name).text.assign(value);
        return *this;
    }
    template <typename N, typename = std::enable_if_t<std::is_integral_v<N> && !std::is_same_v<N, bool> &&
                                                      !std::is_same_v<N, char>>>
    Message& Arg(ArgName name, N value) {
        return Arg(name, std::to_string(value));
    }
    // An argument that is itself a message, rendered in the same language.
    Message& Arg(ArgName name, Message value) {
        return Arg(name, std::make_shared<const Message>(std::move(value)));
    }
    // The same with a message already shared: one record's place, given to each of its warnings,
    // is built once.
    Message& Arg(ArgName name, std::shared_ptr<const Message> value) {
        Add(name).nested = std::move(value);
        return *this;
    }

    std::string_view id() const;
    bool empty() const { return id().empty(); }
    // The catalog's entry for the id; nullptr when the catalog lacks it.
    const CatalogEntry* catalogEntry() const { return entry_; }

    struct Argument {
        std::string_view name;
        std::string text;
        std::shared_ptr<const Message> nested;  // set: the argument is this message
    };
    std::size_t ArgCount() const { return count_; }
    const Argument& ArgAt(std::size_t i) const { return i < kInline ? inline_[i] : more_[i - kInline]; }
    // The argument's text as given (a nested message in English); empty when not set.
    std::string ArgText(std::string_view name) const;

private:
    // Most messages carry up to three arguments: those live in the message itself, so making
    // one (a warning per record) allocates nothing for them.
    static constexpr std::size_t kInline = 3;
    Argument& Add(ArgName name) {
        Argument& a = count_ < kInline ? inline_[count_] : more_.emplace_back();
        ++count_;
        a.name = name.text;
        return a;
    }

    const CatalogEntry* entry_ = nullptr;  // the catalog's entry, when it has this id
    std::string ownId_;                    // else the id itself
    std::size_t count_ = 0;
    std::array<Argument, kInline> inline_{};
    std::vector<Argument> more_;
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
