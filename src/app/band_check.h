// The check after an import that the frequency choice gave amateur-band frequencies: a log in
// MHz read as kHz (7.041 -> .007) or the other way round shows up as frequencies outside
// every band.
#pragma once

#include <string>
#include <string_view>

#include "core/message.h"

namespace trelvo::app {

// True when the MHz text lies in an amateur band (the ITU allocations of every region, from
// 2200 m to 2 mm). A whole number (the "14070 -> 14" choice) counts when it is the whole-MHz
// part of a frequency in a band. Empty or non-numeric texts ("*10") are not judged: true.
bool InAmateurBand(std::string_view mhz);

struct OutOfBandFrequencies {
    long long count = 0;
    long long firstLine = 0;  // 1-based line of the first one
    std::string firstCall, firstFreq;
};

// Reads back an import CSV (quoted fields: callsign first, frequency sixth) and counts the
// frequencies InAmateurBand refuses. A file that cannot be read gives a count of 0.
OutOfBandFrequencies FindOutOfBandFrequencies(const std::string& csvPath);

// The warning for a run whose output holds such frequencies (empty when there are none).
std::string OutOfBandWarning(const OutOfBandFrequencies& found, Lang lang = Lang::kJapanese);

}  // namespace trelvo::app
