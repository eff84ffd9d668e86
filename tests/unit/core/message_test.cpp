// The message catalog: every text in both languages, arguments filled in, the fall-backs, the
// choice of language, errors that carry a message; and the scan that finds English texts
// reaching the user outside the catalog.
#include "core/message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "cli/cli_text.h"
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

TEST(MessageCatalog, RendersArgumentsNestedMessagesPluralsAndFallBacks) {
    const Message kept =
        Message("cli.cancel.kept").Arg("count", 1).Arg("kept", "k.csv").Arg("output", "o.csv");
    EXPECT_EQ(Render(kept, Lang::kEnglish), "the 1 line written so far is kept in k.csv; o.csv is as it was");
    const Message two =
        Message("cli.cancel.kept").Arg("count", 2).Arg("kept", "k.csv").Arg("output", "o.csv");
    EXPECT_EQ(Render(two, Lang::kEnglish),
              "the 2 lines written so far are kept in k.csv; o.csv is as it was");
    EXPECT_EQ(Render(two, Lang::kJapanese),
              "それまでに書いた 2 行を k.csv に残しました。o.csv は元のままです");

    const Message nested = Message("cli.warning").Arg("message", Message("zlog.contacts").Arg("count", 3));
    EXPECT_EQ(Render(nested, Lang::kEnglish), "trelvo5: warning: 3 contacts");
    EXPECT_EQ(Render(nested, Lang::kJapanese), "trelvo5: 注意: 3 件の交信");

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

TEST(MessageCatalog, ErrorsCarryTheirMessage) {
    const FileError e("x.adi", Message("io.cannot-open"));
    EXPECT_STREQ(e.what(), "cannot open the file: x.adi");
    EXPECT_EQ(e.path(), "x.adi");
    EXPECT_EQ(ErrorText(e, Lang::kJapanese), "ファイルを開けません: x.adi");
    const FormatError f(Message("hdb.where-line").Arg("file", "a.csv").Arg("line", 3),
                        Message("hdb.csv.no-call"));
    EXPECT_EQ(f.where(), "a.csv line 3");
    EXPECT_EQ(ErrorText(f, Lang::kJapanese), "a.csv の 3 行目: コールサインがありません");
    // Errors made from plain text are shown as they are in every language.
    EXPECT_EQ(ErrorText(Error("plain"), Lang::kJapanese), "plain");
    EXPECT_EQ(ErrorText(std::runtime_error("other"), Lang::kJapanese), "other");
}

TEST(HelpLayout, WrapsJapaneseAndEnglishWithinTheColumns) {
    using cli::DisplayWidth;
    using cli::Wrap;
    EXPECT_EQ(DisplayWidth("abc"), 3u);
    EXPECT_EQ(DisplayWidth("日本語"), 6u);
    EXPECT_EQ(DisplayWidth("ｶｳﾝﾀ"), 4u);  // half-width katakana
    for (const std::string& l :
         Wrap("変換の方法を決めます。" + std::string(60, 'x') + " 日本語の文を続けます。", 20))
        EXPECT_TRUE(DisplayWidth(l) <= 20 || l.find(' ') == std::string::npos) << l;
    // A Japanese line never starts with a closing mark, an English one breaks at blanks.
    for (const std::string& l : Wrap("あいうえおかきくけこ、さしすせそ。たちつてと", 20))
        EXPECT_TRUE(l.rfind("、", 0) != 0 && l.rfind("。", 0) != 0) << l;
    EXPECT_EQ(Wrap("one two three four", 9), (std::vector<std::string>{"one two", "three", "four"}));
    EXPECT_EQ(Wrap("  0  done\n  1  error", 80), (std::vector<std::string>{"  0  done", "  1  error"}));
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
