// Any bytes as a zLog log (.ZLO or .ZLOX), converted in memory: the converter may report
// errors, never crash or hang. The first two bytes pick the options, the rest is the file:
//   byte 0: 1 other zone, 2 QSL issue mark, 4 the record's "no QSL", 8 contest number to Code
//           and QTH, 16 extra text, 32 the logged frequency, 64 and 128 where the received
//           number, the memo, the contest name and the extra text go;
//   byte 1: the characters cut from the front (0-3) and the back (4-12, 0-3) of the number,
//           how many are kept (16-112, 0-7: all), 128 the contest-number table.
// The seeds start with 0x3F 0x44: every rule on, one character cut from the back, four kept.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/zlog/zlog_import.h"
#include "tools/contest_code_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    static const zlog::MasterIndex master = [] {
        hamlog::MasterList list;
        list.MasterCodes = {"", "1101       ", "3101       "};
        list.MasterNames = {"", "横浜市", "岡山市"};
        list.MasterCount = 2;
        return zlog::MasterIndex(list);
    }();
    static const tools::ContestCodeTable codes("fuzz.TBL",
                                               {{"13", "1101"}, {"31", "3101"}, {"ﾖｺﾊﾏ", "1101"}});
    if (size < 2) return 0;
    const unsigned flags = data[0], cuts = data[1];
    const std::string_view bytes = fuzz::Bytes(data + 2, size - 2);
    std::string out;
    zlog::ZlogOptions o;
    o.inputPath = "in.ZLO";
    o.outputPath = "out.csv";
    o.inputBytes = &bytes;
    o.outputSink = &out;
    o.widths = hamlog::DefaultHdbFieldLengths();
    o.toOtherZone = flags & 1;
    o.qslIssueOn = flags & 2;
    o.honourNoQsl = flags & 4;
    o.qthConvertOn = flags & 8;
    o.extraInfoOn = flags & 16;
    o.extraText = "%移動%";
    o.freq = (flags & 32) ? zlog::FreqSource::Exact : zlog::FreqSource::Band;
    using zlog::RemarksTarget;
    constexpr RemarksTarget R1 = RemarksTarget::Remarks1, R2 = RemarksTarget::Remarks2,
                            None = RemarksTarget::None;
    // The received number, the memo, the contest name and the extra text.
    static constexpr RemarksTarget kTargets[4][4] = {
        {R1, R1, R2, R1}, {R2, R2, R1, R2}, {None, None, None, R1}, {R1, R2, R2, R2}};
    const RemarksTarget* t = kTargets[flags >> 6];
    o.rcvNumTarget = t[0];
    o.memoTarget = t[1];
    o.contestNameTarget = t[2];
    o.extraTarget = t[3];
    o.frontCut = static_cast<int>(cuts & 3);
    o.backCut = static_cast<int>((cuts >> 2) & 3);
    o.leadChars = static_cast<int>((cuts >> 4) & 7);
    o.master = &master;
    if (cuts & 128) o.codeTable = &codes;
    fuzz::YesCallbacks cb;
    try {
        zlog::ConvertZlogLog(o, cb);
    } catch (const Error&) {
    }
    return 0;
}
