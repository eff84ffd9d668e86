// Any bytes as a zLog log (.ZLO or .ZLOX), converted in memory with every rule on: the
// converter may report errors, never crash or hang.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/zlog/zlog_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    static const zlog::MasterIndex master = [] {
        hamlog::MasterList list;
        list.MasterCodes = {"", "1101       ", "3101       "};
        list.MasterNames = {"", "横浜市", "岡山市"};
        list.MasterCount = 2;
        return zlog::MasterIndex(list);
    }();
    const std::string_view bytes = fuzz::Bytes(data, size);
    std::string out;
    zlog::ZlogOptions o;
    o.inputPath = "in.ZLO";
    o.outputPath = "out.csv";
    o.inputBytes = &bytes;
    o.outputSink = &out;
    o.widths = hamlog::DefaultHdbFieldLengths();
    o.toOtherZone = true;
    o.qslIssueOn = true;
    o.honourNoQsl = true;
    o.qthConvertOn = true;
    o.backCut = 1;
    o.leadChars = 4;
    o.memoTarget = zlog::RemarksTarget::Remarks1;
    o.contestNameTarget = zlog::RemarksTarget::Remarks2;
    o.extraInfoOn = true;
    o.extraText = "%移動%";
    o.freq = zlog::FreqSource::Exact;
    o.master = &master;
    fuzz::YesCallbacks cb;
    try {
        zlog::ConvertZlogLog(o, cb);
    } catch (const Error&) {
    }
    return 0;
}
