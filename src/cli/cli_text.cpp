#include "cli/cli_text.h"

#include <cstring>
#include <regex>

namespace trelvo::cli {
namespace {

Lang g_lang = Lang::kEnglish;  // chosen once by main() before any command is registered

constexpr std::size_t kColumns = 80;
constexpr std::size_t kNameColumn = 2;
constexpr std::size_t kTextColumn = 24;

// The code point at `i` and its length in bytes (a stray byte counts as one narrow character).
char32_t Decode(std::string_view s, std::size_t i, std::size_t& len) {
    const auto b = static_cast<unsigned char>(s[i]);
    len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (i + len > s.size()) {
        len = 1;
        return b;
    }
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

bool IsWide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// Characters that never begin a line in Japanese text.
bool NoLineStart(char32_t cp) {
    static constexpr char32_t kClosing[] = {U'、', U'。', U'）', U'」', U'』', U'・', U'ー',
                                            U'，', U'．', U'：', U'？', U'！', U'ｧ',  U'ｨ',
                                            U'ｩ',  U'ｪ',  U'ｫ',  U'ｯ',  U'ｰ'};
    for (char32_t c : kClosing)
        if (c == cp) return true;
    return cp == ')' || cp == ',' || cp == '.' || cp == ':' || cp == ';';
}

// Characters after which a Japanese line never ends.
bool NoLineEnd(std::string_view piece) {
    for (const char* open : {"「", "『", "（", "(", "\""})
        if (piece.size() >= std::strlen(open) && piece.substr(piece.size() - std::strlen(open)) == open)
            return true;
    return false;
}

struct Piece {
    std::string text;
    std::size_t blanksBefore = 0;
};

// A line cut into the pieces a break may fall between.
std::vector<Piece> Pieces(std::string_view line) {
    std::vector<Piece> out;
    std::size_t blanks = 0;
    bool inWord = false;  // the last piece is a word of narrow characters still growing
    for (std::size_t i = 0; i < line.size();) {
        std::size_t len = 1;
        const char32_t cp = Decode(line, i, len);
        const std::string_view ch = line.substr(i, len);
        i += len;
        if (cp == ' ') {
            ++blanks;
            inWord = false;
            continue;
        }
        const bool wide = IsWide(cp);
        // A long list ("A,B,C") may break after a comma.
        const bool afterComma = !out.empty() && out.back().text.size() > 1 && out.back().text.back() == ',';
        if (!out.empty() && blanks == 0 &&
            (NoLineStart(cp) || (!wide && inWord && !afterComma) || NoLineEnd(out.back().text))) {
            out.back().text += ch;
            inWord = !wide;
            continue;
        }
        out.push_back({std::string(ch), out.empty() ? 0 : blanks});
        blanks = 0;
        inWord = !wide;
    }
    return out;
}

std::string Spaces(std::size_t n) {
    return std::string(n, ' ');
}

std::string Join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

std::string OptionNames(const CLI::Option* opt) {
    if (opt->get_positional() && !opt->nonpositional()) return opt->get_name();
    std::string s;
    for (const std::string& n : opt->get_snames()) s += (s.empty() ? "-" : ", -") + n;
    for (const std::string& n : opt->get_lnames()) s += (s.empty() ? "--" : ", --") + n;
    if (!opt->get_option_text().empty()) {
        const std::string& t = opt->get_option_text();
        s += (t.front() == '[' && t.size() > 1 && t[1] == '=') ? t : " " + t;
    } else if (opt->get_type_size_max() > 0 && opt->get_expected_min() > 0) {
        std::string v = opt->get_type_name();
        s += " " + (v.empty() ? std::string("VALUE") : v);
    }
    return s;
}

// One entry: the names, then the text from kTextColumn (on the next line when the names are long).
void AppendEntry(std::string& out, const std::string& names, const std::string& text) {
    std::string first = Spaces(kNameColumn) + names;
    const std::size_t w = DisplayWidth(first);
    std::vector<std::string> lines = Wrap(text, kColumns - kTextColumn);
    if (w + 2 > kTextColumn || lines.empty()) {
        out += first + "\n";
    } else {
        out += first + Spaces(kTextColumn - w) + lines.front() + "\n";
        lines.erase(lines.begin());
    }
    for (const std::string& l : lines) out += Spaces(kTextColumn) + l + "\n";
}

std::string CommandPath(const CLI::App* app) {
    std::string path = app->get_name();
    for (const CLI::App* p = app->get_parent(); p; p = p->get_parent()) path = p->get_name() + " " + path;
    return path;
}

}  // namespace

Lang UiLang() {
    return g_lang;
}

void SetUiLang(Lang lang) {
    g_lang = lang;
}

std::string Tr(const Message& m) {
    return Render(m, g_lang);
}

std::string Tr(std::string_view id) {
    return Text(id, g_lang);
}

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t w = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = 1;
        w += IsWide(Decode(utf8, i, len)) ? 2 : 1;
        i += len;
    }
    return w;
}

std::vector<std::string> Wrap(std::string_view utf8, std::size_t width, std::size_t firstIndent) {
    std::vector<std::string> out;
    std::size_t start = 0;
    bool first = true;
    while (start <= utf8.size()) {
        const std::size_t nl = utf8.find('\n', start);
        const std::string_view line =
            utf8.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        std::string cur;
        std::size_t curWidth = first ? firstIndent : 0;
        const std::size_t lead = line.find_first_not_of(' ');
        const std::string indent(lead == std::string_view::npos ? 0 : lead, ' ');
        bool empty = true;
        for (const Piece& p : Pieces(line)) {
            const std::size_t pw = DisplayWidth(p.text);
            const std::size_t add = (empty ? 0 : p.blanksBefore) + pw;
            if (!empty && curWidth + add > width) {
                out.push_back(cur);
                cur = indent + p.text;
                curWidth = indent.size() + pw;
                continue;
            }
            if (empty) {
                cur = indent + p.text;
                curWidth += indent.size() + pw;
            } else {
                cur += Spaces(p.blanksBefore);
                cur += p.text;
                curWidth += add;
            }
            empty = false;
        }
        out.push_back(cur);
        first = false;
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return out;
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const {
    std::string out;
    const std::string path = CommandPath(app);
    // Usage: the command, its positionals, then what else it takes.
    std::string usage = path;
    for (const CLI::Option* opt : app->get_options([](const CLI::Option* o) { return o->get_positional(); }))
        usage += opt->get_required() ? " " + opt->get_name() : " [" + opt->get_name() + "]";
    for (const CLI::Option* opt :
         app->get_options([](const CLI::Option* o) { return o->nonpositional() && o->get_required(); }))
        usage +=
            " " +
            (opt->get_snames().empty() ? "--" + opt->get_lnames().front() : "-" + opt->get_snames().front()) +
            " " + opt->get_type_name();
    if (!app->get_subcommands([](const CLI::App*) { return true; }).empty())
        usage += " " + Tr("help.usage-command");
    usage += " " + Tr("help.usage-options");
    for (const std::string& l : Wrap(Tr("help.usage") + " " + usage, kColumns)) out += l + "\n";
    if (!app->get_description().empty()) out += Join(Wrap(app->get_description(), kColumns));

    std::string id = "help.examples." + path;
    for (char& c : id)
        if (c == ' ') c = '.';
    if (CatalogText(id, g_lang)) {
        out += "\n" + Tr("help.examples") + "\n";
        // Commands are shown whole, one a line, never wrapped.
        std::string examples = Tr(id);
        for (std::size_t at = 0; at <= examples.size();) {
            const std::size_t nl = examples.find('\n', at);
            out += "  " + examples.substr(at, nl == std::string::npos ? std::string::npos : nl - at) + "\n";
            if (nl == std::string::npos) break;
            at = nl + 1;
        }
    }

    // Options in their groups, in the order the groups first appear.
    std::vector<std::string> groups;
    const auto options = app->get_options([](const CLI::Option* o) { return !o->get_group().empty(); });
    for (const CLI::Option* opt : options) {
        bool known = false;
        for (const std::string& g : groups) known = known || g == opt->get_group();
        if (!known) groups.push_back(opt->get_group());
    }
    for (const std::string& g : groups) {
        out += "\n" + (g == "Options" || g == "OPTIONS" ? Tr("help.group.options") : g) + ":\n";
        std::string positionals, rest;
        for (const CLI::Option* opt : options)
            if (opt->get_group() == g)
                AppendEntry(opt->get_positional() && !opt->nonpositional() ? positionals : rest,
                            OptionNames(opt), opt->get_description());
        out += positionals + rest;
    }

    const auto subs = app->get_subcommands([](const CLI::App* s) { return !s->get_group().empty(); });
    if (!subs.empty()) {
        out += "\n" + Tr("help.commands") + "\n";
        for (const CLI::App* s : subs) AppendEntry(out, s->get_name(), s->get_description());
        out += Join(Wrap(Tr(Message("help.more").Arg("command", path)), kColumns));
    }
    if (!app->get_footer().empty()) out += "\n" + Join(Wrap(app->get_footer(), kColumns));
    return out;
}

std::string FailureMessage(const CLI::App* app, const CLI::Error& e) {
    const std::string what = e.what();
    const std::string kind = e.get_name();
    // CLI11's own texts, in English whatever the language.
    static const std::regex kRequired("(.+) is required"), kRequires("(.+) requires (.+)"),
        kExcludes("(.+) excludes (.+)");
    std::smatch m;
    Message msg("cli.error.other");
    if (kind == "RequiredError") {
        if (what == "A subcommand is required")
            msg = Message("cli.error.need-command");
        else if (std::regex_match(what, m, kRequired))
            msg = Message("cli.error.required").Arg("option", m[1].str());
    } else if (kind == "ExtrasError" || what.starts_with("The following argument")) {
        // A subcommand's extras come with the subcommand's name in place of the error's.
        const std::size_t colon = what.find(": ");
        msg = Message("cli.error.extras")
                  .Arg("args", colon == std::string::npos ? what : what.substr(colon + 2));
    } else if (kind == "RequiresError" && std::regex_match(what, m, kRequires)) {
        msg = Message("cli.error.requires").Arg("option", m[1].str()).Arg("other", m[2].str());
    } else if (kind == "ExcludesError" && std::regex_match(what, m, kExcludes)) {
        msg = Message("cli.error.excludes").Arg("option", m[1].str()).Arg("other", m[2].str());
    } else if (kind == "ValidationError" || kind == "ConversionError") {
        const std::size_t colon = what.find(": ");
        msg = Message("cli.error.value")
                  .Arg("option", colon == std::string::npos ? std::string() : what.substr(0, colon));
    } else if (kind == "ArgumentMismatch") {
        msg = Message("cli.error.count");
    }
    msg.Arg("detail", what);  // the English text is CLI11's own
    std::string text = Tr(msg) + "\n";
    if (app->get_help_ptr())
        text += Tr(Message("cli.error.see-help").Arg("command", CommandPath(app))) + "\n";
    return text;
}

bool IsHelpQuestion(std::string_view arg) {
    return arg == "/?" || arg == "-?";
}

}  // namespace trelvo::cli
