// Any bytes as a DigiPan log, both passes in memory: the converter may report errors, never
// crash or hang. The size picks the options.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/digipan/digipan_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    const std::string_view bytes = fuzz::Bytes(data, size);
    std::string out;
    digipan::DigipanOptions o;
    o.logPath = "Digipan.LOG";
    o.geneDataFolder = "GeneData";
    o.logBytes = &bytes;
    o.outputSink = &out;
    o.jstForJa = size % 2 == 0;
    o.qslIssue = true;
    o.qslSent = size % 5 == 0;
    o.freqFormat = size % 3 == 0 ? digipan::FreqFormat::WholeMhz : digipan::FreqFormat::MhzThreeDecimals;
    fuzz::YesCallbacks cb;
    try {
        digipan::ConvertDigipanLog(o, cb);
    } catch (const Error&) {
    }
    return 0;
}
