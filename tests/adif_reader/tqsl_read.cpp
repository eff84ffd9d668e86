// Reads an ADI file with TrustedQSL's own library (its ADIF reader and its map from ADIF
// modes to the modes LoTW knows, as TQSL uses them before signing; no certificate is needed)
// and prints one line per record: CALL, QSO_DATE, TIME_ON, BAND, MODE[/SUBMODE] and the LoTW
// mode. Exits 1 when a record lacks a call, a date, a time, a band or a frequency, or has a
// mode the library does not know, and 2 when the file cannot be read.
// The Debian package ships the library without its headers: the few declarations needed are
// written out here from the library's published interface.
// usage: tqsl_read FILE
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

extern "C" {
using tQSL_ADIF = void*;
enum TqslRange { kRangeNone, kRangeMinMax, kRangeEnumeration };
enum TqslFieldStatus { kFieldSuccess = 0, kFieldEof = 11 };
struct TqslFieldDefinition {
    char name[65];
    char type[2];
    TqslRange rangeType;
    unsigned int maxLength;
    long minValue;
    long maxValue;
    const char** enumStrings;
    void* userPointer;
};
struct TqslFieldResult {
    char name[65];
    char size[11];
    char type[2];
    unsigned char* data;
    unsigned int adifNameIndex;
    void* userPointer;
    int lineNumber;
    char reserved[64];  // room for members later versions may add
};
int tqsl_init();
int tqsl_beginADIF(tQSL_ADIF* adif, const char* filename);
int tqsl_getADIFField(tQSL_ADIF adif, TqslFieldResult* field, TqslFieldStatus* status,
                      const TqslFieldDefinition* definitions, const char* const* types,
                      unsigned char* (*allocator)(std::size_t));
int tqsl_endADIF(tQSL_ADIF* adif);
int tqsl_getADIFMode(const char* adifMode, char* mode, int size);
const char* tqsl_getErrorString();
}

namespace {

unsigned char* Allocate(std::size_t n) {
    return static_cast<unsigned char*>(std::calloc(n + 1, 1));
}

std::string LotwMode(const std::string& adifMode) {
    char mode[64] = {};
    if (adifMode.empty() || tqsl_getADIFMode(adifMode.c_str(), mode, sizeof mode) != 0) return {};
    return mode;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    if (tqsl_init() != 0) {
        std::fprintf(stderr, "tqsl_init: %s\n", tqsl_getErrorString());
        return 2;
    }
    tQSL_ADIF adif = nullptr;
    if (tqsl_beginADIF(&adif, argv[1]) != 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], tqsl_getErrorString());
        return 2;
    }
    static const char* const kNames[] = {"CALL", "QSO_DATE", "TIME_ON", "BAND",
                                         "FREQ", "MODE",     "SUBMODE", "EOR"};
    TqslFieldDefinition defs[sizeof kNames / sizeof kNames[0] + 1] = {};
    for (std::size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        std::snprintf(defs[i].name, sizeof defs[i].name, "%s", kNames[i]);
        defs[i].maxLength = i + 1 == sizeof kNames / sizeof kNames[0] ? 0 : 64;
    }
    static const char* const kTypes[] = {"D", "T", "M", "C", "N", "6", "S", ""};
    std::map<std::string, std::string> record;
    int records = 0, bad = 0;
    for (;;) {
        TqslFieldResult field = {};
        TqslFieldStatus status = kFieldSuccess;
        if (tqsl_getADIFField(adif, &field, &status, defs, kTypes, Allocate) != 0) {
            std::fprintf(stderr, "%s: %s\n", argv[1], tqsl_getErrorString());
            tqsl_endADIF(&adif);
            return 2;
        }
        if (status == kFieldEof) break;
        std::string name = field.name;
        for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        const std::string value = field.data ? reinterpret_cast<const char*>(field.data) : "";
        std::free(field.data);
        if (status != kFieldSuccess) continue;  // a field the definitions leave out
        if (name != "EOR") {
            record[name] = value;
            continue;
        }
        ++records;
        const std::string& sub = record["SUBMODE"];
        std::string mode = LotwMode(sub);
        if (mode.empty()) mode = LotwMode(record["MODE"]);
        const bool complete = !record["CALL"].empty() && !record["QSO_DATE"].empty() &&
                              !record["TIME_ON"].empty() &&
                              (!record["BAND"].empty() || !record["FREQ"].empty());
        std::printf("%s\t%s\t%s\t%s\t%s%s%s\t%s\n", record["CALL"].c_str(), record["QSO_DATE"].c_str(),
                    record["TIME_ON"].c_str(), record["BAND"].c_str(), record["MODE"].c_str(),
                    sub.empty() ? "" : "/", sub.c_str(), mode.empty() ? "(unknown mode)" : mode.c_str());
        if (mode.empty() || !complete) ++bad;
        record.clear();
    }
    tqsl_endADIF(&adif);
    std::printf("%d records read, %d with a mode TrustedQSL knows and every field it needs\n", records,
                records - bad);
    return records > 0 && bad == 0 ? 0 : 1;
}
