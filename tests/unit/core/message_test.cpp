// The message catalog: every text in both languages with the same arguments, the fall-backs,
// the choice of language, errors without a message; and the scan that finds English texts
// reaching the user outside the catalog.
#include "core/message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/errors.h"

namespace trelvo {
namespace {

std::set<std::string> Placeholders(std::string_view text) {
    std::set<std::string> names;
    for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) {
        const std::size_t close = text.find('}', at);
        if (close == std::string_view::npos) break;
        const std::string_view inside = text.substr(at + 1, close - at - 1);
        names.insert(std::string(inside.substr(0, inside.find('|'))));
    }
    return names;
}

TEST(MessageCatalog, EveryIdHasBothTextsWithTheSameArguments) {
    const CatalogView c = Catalog();
    ASSERT_GT(c.count, 100u);
    for (std::size_t i = 0; i < c.count; ++i) {
        const CatalogEntry& e = c.entries[i];
        SCOPED_TRACE(e.id);
        EXPECT_STRNE(e.english, "");
        EXPECT_STRNE(e.japanese, "") << "no Japanese text";
        // Each id leads to its own entry; the id one byte longer to none, one byte shorter to
        // none or to the entry of that id.
        EXPECT_EQ(Message(e.id).catalogEntry(), &e);
        EXPECT_EQ(Message(std::string(e.id) + '\x01').catalogEntry(), nullptr);
        const std::string_view shorter = std::string_view(e.id).substr(0, std::strlen(e.id) - 1);
        if (const CatalogEntry* s = Message(shorter).catalogEntry()) {
            EXPECT_EQ(s->id, shorter);
        }
        // English texts that are the system's or CLI11's own words take other arguments.
        const std::string en = e.english;
        if (en == "{detail}" || en == "{text}") continue;
        const std::set<std::string> enArgs = Placeholders(e.english);
        for (const std::string& name : Placeholders(e.japanese))
            EXPECT_TRUE(enArgs.count(name)) << "{" << name << "} is only in the Japanese text";
        for (const std::string& name : enArgs)
            EXPECT_TRUE(Placeholders(e.japanese).count(name)) << "{" << name << "} is missing in Japanese";
    }
}

// (Plurals, nested messages and both languages are rendered in every golden case that prints.)
TEST(MessageCatalog, RendersFallBacksAndKeepsEveryArgument) {
    // An id the catalog lacks still shows everything it was given.
    EXPECT_EQ(Render(Message("no.such.id").Arg("file", "a.adi"), Lang::kJapanese), "no.such.id file=a.adi");
    EXPECT_EQ(CatalogText("no.such.id", Lang::kEnglish), nullptr);
    // More arguments than a message holds in itself, and copies, keep every one in order.
    Message many("no.such.id");
    many.Arg("a", 1)
        .Arg("b", "2")
        .Arg("c", std::string("3"))
        .Arg("d", Message("zlog.contacts").Arg("count", 4));
    many.Arg("e", std::string_view("5"));
    const Message copy = many;
    many = Message("cli.warning");
    EXPECT_EQ(Render(copy, Lang::kEnglish), "no.such.id a=1 b=2 c=3 d=4 contacts e=5");
    EXPECT_EQ(copy.ArgText("d"), "4 contacts");
    EXPECT_EQ(copy.ArgText("e"), "5");
    EXPECT_EQ(copy.ArgText("f"), "");
    // A placeholder without its argument stays visible rather than vanishing.
    EXPECT_EQ(Render(Message("zlog.contacts"), Lang::kEnglish), "{count} contacts");
}

TEST(MessageCatalog, LanguageOptionBeatsSettingBeatsLocale) {
    EXPECT_EQ(LangFromCode("ja_JP.UTF-8"), Lang::kJapanese);
    EXPECT_EQ(LangFromCode("JA"), Lang::kJapanese);
    EXPECT_EQ(LangFromCode("C.UTF-8"), Lang::kEnglish);
    EXPECT_EQ(LangFromCode(""), Lang::kEnglish);
    EXPECT_EQ(ChooseLang("en", "ja", "ja_JP.UTF-8"), Lang::kEnglish);
    EXPECT_EQ(ChooseLang("", "ja", "C"), Lang::kJapanese);
    EXPECT_EQ(ChooseLang("", "fr", "ja_JP.eucJP"), Lang::kJapanese);  // not a language we have
    EXPECT_EQ(ChooseLang("", "", "en_GB.UTF-8"), Lang::kEnglish);
}

// (Errors that carry a message are rendered in both languages in the golden cases.) Errors made
// from plain text are shown as they are in every language.
TEST(MessageCatalog, ErrorsWithoutAMessageShowTheirText) {
    EXPECT_EQ(ErrorText(Error("plain"), Lang::kJapanese), "plain");
    EXPECT_EQ(ErrorText(std::runtime_error("other"), Lang::kJapanese), "other");
}

// Every call that reports to the user from the engine and the command line takes its text
// from the catalog: a string literal of English words in such a call is a text that was
// missed. Japanese literals are the original program's own texts and stay as they are.
TEST(MessageCatalog, NoEnglishTextReachesTheUserOutsideTheCatalog) {
    namespace fs = std::filesystem;
    const fs::path src = fs::path(TRELVO5_SOURCE_DIR) / "src";
    // The views show what the window model gives them.
    const std::vector<std::string> notScanned = {"gui"};
    // Calls that report to the user: warnings (and the helpers that pass them on), errors made
    // or thrown, printing, help texts, arguments of messages and the notes and failures a
    // converter hands back.
    const std::regex reports(
        R"(\bWarn(ing)?\s*\(|\bthrow\b|\b[A-Za-z]*Error\s*\(|std::c(out|err)\s*<<|\badd_(option|flag|subcommand)\s*\(|->description\s*\(|->footer\s*\(|\bMessage\s*\(\s*std::string|\.Arg\s*\(|\b(note|failure)\s*=[^=])");
    const std::regex english(R"([A-Za-z]{2,}[,;:]? +[A-Za-z]+)");
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        const std::string rel = fs::relative(entry.path(), src).generic_string();
        bool skip = false;
        for (const std::string& folder : notScanned) skip = skip || rel.rfind(folder + "/", 0) == 0;
        if (skip) continue;
        std::ifstream in(entry.path());
        std::stringstream ss;
        ss << in.rdbuf();
        // Statements without their comments, split at ';', '{' and '}' outside literals.
        std::string statement;
        std::vector<std::string> literals;
        const std::string text = ss.str();
        auto finish = [&] {
            if (std::regex_search(statement, reports))
                for (const std::string& lit : literals) {
                    bool ascii = true;
                    for (unsigned char ch : lit) ascii = ascii && ch < 0x80;
                    if (ascii && std::regex_search(lit, english)) found.push_back(rel + ": \"" + lit + "\"");
                }
            statement.clear();
            literals.clear();
        };
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            if (ch == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                i = text.find('\n', i);
                if (i == std::string::npos) break;
                continue;
            }
            if (ch == '\'' && i + 2 < text.size()) {  // a character literal
                i += text[i + 1] == '\\' ? 3 : 2;
                continue;
            }
            if (ch == '"') {
                std::string lit;
                for (++i; i < text.size() && text[i] != '"'; ++i) {
                    if (text[i] == '\\' && i + 1 < text.size()) lit += text[i++];
                    lit += text[i];
                }
                literals.push_back(lit);
                statement += "\"\"";
                continue;
            }
            if (ch == '#' && (i == 0 || text[i - 1] == '\n')) {  // a preprocessor line
                i = text.find('\n', i);
                if (i == std::string::npos) break;
                continue;
            }
            if (ch == ';' || ch == '{' || ch == '}')
                finish();
            else
                statement += ch;
        }
        finish();
    }
    std::string list;
    for (const std::string& f : found) list += "\n  " + f;
    EXPECT_TRUE(found.empty()) << "English texts outside the message catalog:" << list;
}

}  // namespace
}  // namespace trelvo
