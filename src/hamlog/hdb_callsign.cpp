#include "hamlog/hdb_callsign.h"

#include <algorithm>
#include <vector>

#include "text/chars.h"

namespace trelvo::hamlog {
namespace {

// The bytes with NULs as spaces; a copy only when there is a NUL.
std::string_view SpacedNul(std::string_view s, std::string& copy) {
    if (s.find('\0') == std::string_view::npos) return s;
    copy.assign(s);
    std::replace(copy.begin(), copy.end(), '\0', ' ');
    return copy;
}

}  // namespace

std::string RebuildHdbCall(std::string_view callsBytes, std::string_view ignBytes, unsigned flag) {
    std::string call;
    RebuildHdbCallInto(call, callsBytes, ignBytes, flag);
    return call;
}

void RebuildHdbCallInto(std::string& out, std::string_view callsBytes, std::string_view ignBytes,
                        unsigned flag) {
    std::string callsCopy, ignCopy;
    const std::string_view calls = SpacedNul(callsBytes, callsCopy);
    const std::string_view ign = SpacedNul(ignBytes, ignCopy);
    const std::string_view main = text::Trim(calls);
    std::string_view overflow, rest = ign;
    if (!rest.empty() && rest.front() != ' ') {
        // The overflow of a long main call, appended directly.
        overflow = rest.substr(0, rest.find(' '));
        rest.remove_prefix(overflow.size());
    }
    const std::string_view portable = text::Trim(rest);
    out.clear();
    if (portable.empty() || !(flag & kFlagPortableBefore)) {
        out.append(main).append(overflow);
        if (!portable.empty()) out.append(1, '/').append(portable);
        return;
    }
    const std::size_t slash = portable.find('/');
    out.append(portable.substr(0, slash)).append(1, '/').append(main).append(overflow);
    if (slash != std::string_view::npos && slash + 1 < portable.size())
        out.append(1, '/').append(portable.substr(slash + 1));
}

HdbCallFields SplitHdbCall(std::string_view callIn, bool dx, std::size_t callsWidth, std::size_t ignWidth) {
    const std::string call(text::Trim(callIn));
    std::vector<std::string> parts = text::Split(call, '/');
    std::string main, portable;
    bool before = false;
    if (parts.size() == 1) {
        main = call;
    } else if (parts.size() == 2) {
        if (parts[1].size() > parts[0].size()) {
            main = parts[1];
            portable = parts[0];
            before = true;
        } else {
            main = parts[0];
            portable = parts[1];
        }
    } else {
        std::string rest = parts[2];
        for (std::size_t i = 3; i < parts.size(); ++i) rest += "/" + parts[i];
        if (!dx) {
            main = parts[0];
            portable = parts[1] + "/" + rest;
        } else {
            main = parts[1];
            portable = parts[0] + "/" + rest;
            before = true;
        }
    }

    HdbCallFields f;
    f.calls = main.substr(0, std::min(main.size(), callsWidth));
    std::string overflow = main.size() > callsWidth ? main.substr(callsWidth) : std::string();
    if (overflow.size() > ignWidth) {
        overflow.resize(ignWidth);
        f.cut = true;
    }
    // One space must separate the overflow (or the start of IGN) from the portable part, or
    // the portable part would read back as overflow.
    std::size_t room = ignWidth > overflow.size() ? ignWidth - overflow.size() - 1 : 0;
    if (portable.size() > room) {
        portable.resize(room);
        f.cut = true;
    }
    f.calls.append(callsWidth - f.calls.size(), ' ');
    f.ign = overflow;
    f.ign.append(ignWidth - overflow.size() - portable.size(), ' ');
    f.ign += portable;
    if (dx) {
        f.flag = kFlagDx;
        if (!portable.empty()) f.flag |= before ? kFlagPortableBefore : kFlagPortableAfter;
    }
    return f;
}

std::string BaseCallOf(std::string_view callIn) {
    std::string_view call = text::Trim(callIn);
    std::size_t slash = call.rfind('/');
    if (slash == std::string_view::npos) return std::string(text::Trim(call));
    std::string_view a = call.substr(0, slash), b = call.substr(slash + 1);
    return std::string(text::Trim(b.size() > a.size() ? b : a));
}

}  // namespace trelvo::hamlog
