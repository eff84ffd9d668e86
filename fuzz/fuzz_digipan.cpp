// Any bytes as a DigiPan log: the converter may report errors, never crash or hang.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/digipan/digipan_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    digipan::DigipanOptions o;
    o.logPath = fuzz::WriteInput("Digipan.LOG", data, size);
    o.geneDataFolder = fuzz::Scratch().string();
    o.jstForJa = size % 2 == 0;
    o.qslIssue = true;
    o.freqFormat = size % 3 == 0 ? digipan::FreqFormat::WholeMhz : digipan::FreqFormat::MhzThreeDecimals;
    fuzz::YesCallbacks cb;
    try {
        digipan::ConvertDigipanLog(o, cb);
    } catch (const Error&) {
    }
    return 0;
}
