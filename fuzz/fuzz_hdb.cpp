// Any bytes as a HAMLOG database, read from memory: opening, reading every field of every
// record and walking the callsign index may refuse the file, never crash or hang.
#include <cstdio>

#include "core/errors.h"
#include "core/platform.h"
#include "fuzz_support.h"
#include "hamlog/hdb_library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    std::FILE* f = OpenMemoryStream(fuzz::Bytes(data, size));
    if (!f) return 0;
    hamlog::HdbLibrary lib;
    try {
        if (lib.HamlogOpenStream(f, "Fuzz.HDB") != 0) return 0;
        lib.SetQsoOrMaster(hamlog::kQsoTable);
        const int n = lib.Vdbf_rcount();
        std::string buf, firstCall;
        for (int r = 1; r <= n && r <= 2000; ++r) {
            if (lib.THW_read(r) != 0) continue;
            for (int field = 0; field <= 14; ++field) lib.ThwString(buf, field);
            if (firstCall.empty()) lib.ThwString(firstCall, hamlog::kFieldCall);
        }
        if (!firstCall.empty() && lib.Vidx_search(firstCall) != 0) {
            for (int k = 0; k < 2000 && lib.Vidx_next() != 0; ++k) {
            }
        }
        lib.HamlogClose();
    } catch (const Error&) {
    }
    return 0;
}
