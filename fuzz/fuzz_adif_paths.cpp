// Any bytes as an ADIF file, converted twice: with the records whose values lie in their text
// written straight from it, and with every record the long way. Both must write the same
// bytes, end the same way and say the same things; a difference stops the fuzzer. The input
// is read as the adif target reads it (adif_case.h) and shares its seeds.
#include "adif_case.h"

namespace {

struct Outcome {
    std::string output, error;
    trelvo::adif::AdifRunResult result;
    trelvo::fuzz::RecordingCallbacks::Said said;
    bool operator==(const Outcome&) const = default;
};

Outcome Convert(const trelvo::fuzz::AdifCase& input, bool recordWriter) {
    Outcome o;
    trelvo::fuzz::RecordingCallbacks cb;
    try {
        o.result = input.Convert(o.output, cb, recordWriter);
    } catch (const trelvo::Error& e) {
        o.error = e.what();
    }
    o.said = cb.said();
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trelvo::fuzz::WithAdifCase(data, size,
                               [](const trelvo::fuzz::AdifCase& input, trelvo::ConversionCallbacks&) {
                                   if (!(Convert(input, true) == Convert(input, false))) __builtin_trap();
                               });
    return 0;
}
