#include <gtest/gtest.h>

#include <stdexcept>

#include "hamlog/memory_library.h"
#include "importers/zlog/prefectures.h"
#include "importers/zlog/qra_lookup.h"

using namespace trelvo::zlog;
using trelvo::hamlog::MasterList;
using trelvo::hamlog::MemoryHamlogLibrary;
using trelvo::hamlog::MemoryHamlogRecord;

namespace {

MasterIndex MakeMaster(int count, int at, const std::string& code) {
    MasterList list;
    list.MasterCodes.assign(1, "");
    list.MasterNames.assign(1, "");
    for (int i = 1; i <= count; ++i) {
        list.MasterCodes.push_back(i == at ? code + std::string(11 - code.size(), ' ')
                                           : "9" + std::to_string(i));
        list.MasterNames.push_back("place " + std::to_string(i));
    }
    list.MasterCount = count;
    return MasterIndex(list);
}

}  // namespace

TEST(ZlogPrefectures, QthGetByLengthAndTheTablesOwnNumbering) {
    const MasterIndex master = MakeMaster(150, 120, "3101");
    const std::pair<const char*, int> cases[] = {
        {"3101", 120}, {"31011", 0}, {"310", -310}, {"31", -31}, {"031", -31}, {"01", -1}, {"1", -1},
        {"48", -48},   {"99", -99},  {"0", 0},      {"3A", 0},   {"", 0},      {" 31", 0}, {"9120", 0},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(QTHget(master, text), want) << text;
    EXPECT_EQ(QTHget(MasterIndex(), "3101"), 0);
    // The first of two entries with one code wins; codes are compared after trimming.
    MasterList dup;
    dup.MasterCodes = {"", " 1101 ", "1101", "1102"};
    dup.MasterNames = {"", "a", "b", "c"};
    dup.MasterCount = 3;
    EXPECT_EQ(QTHget(MasterIndex(dup), "1101"), 1);
    dup.MasterCount = 2;  // entries past the count are not looked at
    EXPECT_EQ(QTHget(MasterIndex(dup), "1102"), 0);

    const std::pair<int, const char*> rows[] = {
        {-4, "04秋田県"},    {-6, "06宮城県"},    {-22, "22京都府"}, {-31, "31岡山県"},
        {-11, "11神奈川県"}, {-46, "46鹿児島県"}, {-47, "47沖縄県"}, {-2, "02青森県"},
        {-1, "01北海道"},    {-48, "01北海道"},   {0, "01北海道"},   {5, "01北海道"},
    };
    for (const auto& [q, want] : rows) EXPECT_EQ(Todoufuken(q), want) << q;
}

TEST(ZlogQraLookup, SplitAtTheLastSlashTheLongerPartIsTheBase) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"JA1ABC", "JA1ABC", ""}, {"JA1ABC/1", "JA1ABC", "1"},         {"7J1/JA1ABC", "JA1ABC", "7J1"},
        {"A/B", "A", "B"},        {"KH0/JA1ABC/P", "KH0/JA1ABC", "P"}, {"", "", ""},
    };
    for (const auto& [call, base, portable] : cases) {
        const SplitCall s = SplitPortableCall(call);
        EXPECT_EQ(s.BaseCall, base) << call;
        EXPECT_EQ(s.PortableCall, portable) << call;
    }
}

namespace {

MemoryHamlogRecord Rec(const std::string& call, const std::string& name) {
    MemoryHamlogRecord r;
    r.fields[trelvo::hamlog::kFieldCall] = call;
    r.fields[trelvo::hamlog::kFieldName] = name;
    return r;
}

// A library whose index also returns records of other callsigns (the search is the
// library's matter), and which can fail.
class LooseIndexLibrary : public MemoryHamlogLibrary {
public:
    std::vector<int> order;
    bool throwOnRead = false;
    int Vidx_search(const std::string& call) override {
        log.push_back("Vidx_search(" + call + ")");
        at_ = 0;
        return order.empty() ? 0 : order[0];
    }
    int Vidx_next() override { return ++at_ < order.size() ? order[at_] : 0; }
    int THW_read(int n) override {
        if (throwOnRead) throw std::runtime_error("read failed");
        return MemoryHamlogLibrary::THW_read(n);
    }

private:
    std::size_t at_ = 0;
};

}  // namespace

TEST(ZlogQraLookup, TheLastNonEmptyNameWhileTheBaseCallMatches) {
    MemoryHamlogLibrary lib;
    lib.records = {Rec("JA1ABC", "A"),    Rec("JA1ABC/1", " Taro "), Rec("7J1/JA1ABC", "B"),
                   Rec("JA2ABC", "A"),    Rec("JA2ABC", "B"),        Rec("JA2ABC/2", "   "),
                   Rec("JA3DEF", "Ichi"), Rec("JA3DEF", ""),         Rec("JA4XYZ", "Deleted")};
    lib.records.back().deleted = true;
    lib.HamlogOpen("x");
    const std::pair<const char*, const char*> cases[] = {
        {"JA1ABC", "B"}, {"JA1ABC/1", "B"}, {"7J1/JA1ABC", "B"}, {"JA2ABC", ""},  // space-only trims away
        {"JA3DEF", ""},  // padded empty name is spaces
        {"JA4XYZ", ""},  {"JA9NONE", ""},
    };
    for (const auto& [call, want] : cases) EXPECT_EQ(LookupQraName(lib, call), want) << call;

    lib.TakeLog();
    LookupQraName(lib, "KH0/JA1ABC/1");  // split at the last "/": the base is KH0/JA1ABC
    EXPECT_EQ(lib.TakeLog(), "Vidx_search(KH0/JA1ABC)");
}

TEST(ZlogQraLookup, TheFirstHitNamesEvenAnotherStationAndErrorsGiveNothing) {
    LooseIndexLibrary lib;
    lib.records = {Rec("JA5ZZZ", "Other"), Rec("JA5AB", "Own"), Rec("JA5AB", "Later")};
    lib.HamlogOpen("x");
    lib.order = {1, 2, 3};  // the first hit is another station: its name, then the walk stops
    EXPECT_EQ(LookupQraName(lib, "JA5AB"), "Other");
    lib.order = {2, 1, 3};  // the walk stops at the first record of another base call
    EXPECT_EQ(LookupQraName(lib, "JA5AB"), "Own");
    lib.order = {2, 3};
    EXPECT_EQ(LookupQraName(lib, "JA5AB"), "Later");
    lib.throwOnRead = true;
    EXPECT_EQ(LookupQraName(lib, "JA5AB"), "");
}
