#include "app/band_check.h"

#include <cmath>
#include <cstdlib>
#include <exception>

#include "text/cp932.h"
#include "text/io.h"

namespace trelvo::app {
namespace {

struct Band {
    double low, high;  // MHz, both included
};

constexpr Band kBands[] = {
    {0.1357, 0.1378},   {0.472, 0.479},       {1.8, 2.0},           {3.5, 4.0},           {5.25, 5.45},
    {7.0, 7.3},         {10.1, 10.15},        {14.0, 14.35},        {18.068, 18.168},     {21.0, 21.45},
    {24.89, 24.99},     {28.0, 29.7},         {50.0, 54.0},         {70.0, 70.5},         {144.0, 148.0},
    {219.0, 225.0},     {420.0, 450.0},       {902.0, 928.0},       {1240.0, 1300.0},     {2300.0, 2450.0},
    {3300.0, 3500.0},   {5650.0, 5925.0},     {10000.0, 10500.0},   {24000.0, 24250.0},   {47000.0, 47200.0},
    {75500.0, 81000.0}, {119980.0, 120020.0}, {134000.0, 149000.0}, {241000.0, 250000.0},
};

}  // namespace

bool InAmateurBand(std::string_view mhz) {
    const std::string s(mhz);
    if (s.empty()) return true;
    bool digit = false, point = false;
    for (char c : s) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return true;  // not a plain number: not judged
    }
    if (!digit) return true;
    const double v = std::strtod(s.c_str(), nullptr);
    for (const Band& b : kBands) {
        if (v >= b.low - 1e-9 && v <= b.high + 1e-9) return true;
        if (!point && v >= std::floor(b.low) && v <= std::floor(b.high)) return true;
    }
    return false;
}

OutOfBandFrequencies FindOutOfBandFrequencies(const std::string& csvPath) {
    OutOfBandFrequencies found;
    try {
        text::ByteReader in(csvPath);
        std::string line;
        while (in.ReadLine(line, text::LineEnds::CrLfOrCr)) {
            // "call","date","time","his","my","freq",...
            std::size_t at = 0;
            std::string fields[6];
            bool whole = true;
            for (int i = 0; i < 6 && whole; ++i) {
                if (at >= line.size() || line[at] != '"') whole = false;
                const std::size_t end = whole ? line.find('"', at + 1) : std::string::npos;
                if (end == std::string::npos) {
                    whole = false;
                    break;
                }
                fields[i] = line.substr(at + 1, end - at - 1);
                at = end + 2;  // past the closing quote and the comma
            }
            if (!whole || InAmateurBand(fields[5])) continue;
            if (found.count++ == 0) {
                found.firstLine = in.LineNumber();
                found.firstCall = text::Cp932ToUtf8(fields[0]);
                found.firstFreq = fields[5];
            }
        }
    } catch (const std::exception&) {
        return {};
    }
    return found;
}

std::string OutOfBandWarning(const OutOfBandFrequencies& found, Lang lang) {
    if (found.count == 0) return {};
    return Render(trelvo::Message("app.out-of-band")
                      .Arg("count", found.count)
                      .Arg("line", found.firstLine)
                      .Arg("call", found.firstCall)
                      .Arg("freq", found.firstFreq),
                  lang);
}

}  // namespace trelvo::app
