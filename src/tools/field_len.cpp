#include "tools/field_len.h"

namespace trelvo::tools {

std::array<FieldLenEntry, 8> FieldLenEntries(const hamlog::HdbFieldLengths& lengths) {
    static constexpr struct {
        const char* title;
        std::size_t entry;
    } kShown[8] = {{"Call", 0}, {"Freq", 11}, {"Mode", 12}, {"My", 10},
                   {"His", 9},  {"Name", 13}, {"QTH", 14},  {"Remk", 15}};
    std::array<FieldLenEntry, 8> out;
    for (std::size_t i = 0; i < 8; ++i) out[i] = {kShown[i].title, lengths[kShown[i].entry]};
    return out;
}

}  // namespace trelvo::tools
