#include "text/io.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace trelvo::text;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

TEST(ByteIo, ReadIntoTakesBufferedBytesFirstAndLargeWritesKeepTheirPlace) {
    ScratchDir dir;
    const std::string big(3 * (1 << 20) + 17, 'x');
    WriteBytes(dir.File("in"), "head\r\n" + big);
    ByteReader r(dir.File("in"));
    std::string line;
    ASSERT_TRUE(r.ReadLine(line, LineEnds::CrLfOrCr));
    EXPECT_EQ(line, "head");
    std::string rest(big.size() + 10, '\0');
    EXPECT_EQ(r.ReadInto(rest.data(), 5), 5u);  // from what ReadLine buffered
    EXPECT_EQ(r.ReadInto(rest.data() + 5, rest.size() - 5), big.size() - 5);
    rest.resize(big.size());
    EXPECT_EQ(rest, big);
    EXPECT_EQ(r.ReadInto(rest.data(), 1), 0u);
    EXPECT_EQ(r.BytesConsumed(), static_cast<long long>(6 + big.size()));

    {
        Cp932LineWriter w(dir.File("out"));
        w.WriteLine("first");
        w.WriteBytes(big);  // large: written straight through, after what was buffered
        w.WriteBytes("tail");
        w.Close();
    }
    EXPECT_EQ(ReadBytes(dir.File("out")), "first\r\n" + big + "tail");
}
