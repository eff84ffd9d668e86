// Any bytes as a master file: the header check and the code list may refuse the file, never
// crash or hang; a file that is accepted is read to its end or its marker.
#include "core/errors.h"
#include "fuzz_support.h"
#include "hamlog/master_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    const std::string path = fuzz::WriteInput("Fuzz.mst", data, size);
    hamlog::MasterList list;
    try {
        const int counted = hamlog::ReadMasterCodes(path, hamlog::kMasterRecordLength, 0, list);
        const int collected = hamlog::ReadMasterCodes(path, hamlog::kMasterRecordLength, 1, list);
        if (counted != collected || list.MasterCodes.size() != static_cast<std::size_t>(collected) + 1)
            __builtin_trap();
    } catch (const Error&) {
    }
    return 0;
}
