// The stream buffer the command line prints through: what a console receives must be whole
// characters, in order, with nothing lost.
#include "cli/console_output.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace trelvo::cli {
namespace {

// True when `s` is a sequence of complete UTF-8 characters.
bool WholeUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

struct Captured {
    std::vector<std::string> pieces;
    std::string All() const {
        std::string all;
        for (const std::string& p : pieces) all += p;
        return all;
    }
};

std::unique_ptr<StdStreamBuf> BufferInto(Captured& c) {
    return std::make_unique<StdStreamBuf>([&c](std::string_view s) { c.pieces.emplace_back(s); });
}

TEST(StdStreamBuf, LongTextArrivesInOrderInWholeCharacters) {
    // Mixed widths so that the buffer fills at every offset inside a character.
    const std::string line = "JA1ABC 交信 a 𠮷 é 変換しました\n";
    std::string text;
    while (text.size() < 40000) text += line;
    Captured c;
    {
        auto buf = BufferInto(c);
        std::ostream out(buf.get());
        for (std::size_t i = 0; i < text.size(); i += 7) out << text.substr(i, 7);
    }
    EXPECT_EQ(text, c.All());
    ASSERT_GT(c.pieces.size(), 5u);
    for (const std::string& p : c.pieces) EXPECT_TRUE(WholeUtf8(p)) << p.size() << " bytes";
}

TEST(StdStreamBuf, FlushHoldsBackHalfACharacterAndEndingLosesNothing) {
    Captured c;
    auto buf = BufferInto(c);
    std::ostream out(buf.get());
    const std::string ka = "交";  // three bytes
    out << "ok " << ka.substr(0, 2) << std::flush;
    EXPECT_EQ((std::vector<std::string>{"ok "}), c.pieces);
    out << ka.substr(2) << std::flush;
    EXPECT_EQ("ok " + ka, c.All());

    out << "tail" << ka.substr(0, 1);  // an unfinished character at the end still goes out
    buf.reset();
    EXPECT_EQ("ok " + ka + "tail" + ka.substr(0, 1), c.All());
}

TEST(StdStreamBuf, UnbufferedStreamPassesEachMessageAtOnce) {
    Captured c;
    auto buf = BufferInto(c);
    std::ostream err(buf.get());
    err.setf(std::ios::unitbuf);  // as std::cerr
    err << "trelvo5: 警告\n";
    ASSERT_EQ(1u, c.pieces.size());
    EXPECT_EQ("trelvo5: 警告\n", c.pieces[0]);
}

}  // namespace
}  // namespace trelvo::cli
