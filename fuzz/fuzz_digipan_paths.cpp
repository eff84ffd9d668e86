// Any bytes as a DigiPan log, converted twice: with the usual contacts written straight from
// their bytes, and with every contact through the record and its writer. Both must write the
// same bytes and say the same things; a difference stops the fuzzer. The size picks the
// options, as in the digipan target, whose seeds this one shares.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/digipan/digipan_import.h"

namespace {

struct Outcome {
    std::string output, error;
    trelvo::digipan::DigipanResult result;
    trelvo::fuzz::RecordingCallbacks::Said said;
    bool operator==(const Outcome&) const = default;
};

Outcome Convert(std::string_view bytes, bool quick) {
    using namespace trelvo;
    Outcome o;
    digipan::DigipanOptions opt;
    opt.logPath = "Digipan.LOG";
    opt.geneDataFolder = "GeneData";
    opt.logBytes = &bytes;
    opt.outputSink = &o.output;
    opt.jstForJa = bytes.size() % 2 == 0;
    opt.qslIssue = true;
    opt.qslSent = bytes.size() % 5 == 0;
    opt.freqFormat =
        bytes.size() % 3 == 0 ? digipan::FreqFormat::WholeMhz : digipan::FreqFormat::MhzThreeDecimals;
    opt.quickLines = quick;
    fuzz::RecordingCallbacks cb;
    try {
        o.result = digipan::ConvertDigipanLog(opt, cb);
    } catch (const Error& e) {
        o.error = e.what();
    }
    o.said = cb.said();
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = trelvo::fuzz::Bytes(data, size);
    if (!(Convert(bytes, true) == Convert(bytes, false))) __builtin_trap();
    return 0;
}
