#include "importers/zlog/qra_lookup.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>

#include "hamlog/hdb_callsign.h"
#include "hamlog/hdb_library.h"
#include "text/chars.h"
#include "text/cp932.h"

namespace trelvo::zlog {
namespace {

// Fetches a field into `buffer` (spaces when the library cannot) without its NUL characters.
void FetchField(hamlog::HamlogLibrary& lib, int field, std::string& buffer) {
    buffer.assign(static_cast<std::size_t>(hamlog::HamlogFieldWidth(field)), ' ');
    lib.ThwString(buffer, field);
    buffer.erase(std::remove(buffer.begin(), buffer.end(), '\0'), buffer.end());
}

// The base call of a fetched callsign: trimmed, split at the last "/", the longer part
// trimmed (the part before on a tie).
std::string_view BaseOfFetched(std::string_view call) {
    call = text::Trim(call);
    const std::size_t slash = call.rfind('/');
    if (slash == std::string_view::npos) return call;
    const std::string_view before = call.substr(0, slash), after = call.substr(slash + 1);
    return text::Trim(text::CharCount(after) > text::CharCount(before) ? after : before);
}

}  // namespace

SplitCall SplitPortableCall(std::string_view call) {
    const std::size_t slash = call.rfind('/');
    if (slash == std::string_view::npos) return {std::string(call), {}};
    const std::string_view before = call.substr(0, slash);
    const std::string_view after = call.substr(slash + 1);
    if (text::CharCount(after) > text::CharCount(before)) return {std::string(after), std::string(before)};
    return {std::string(before), std::string(after)};
}

std::string LookupQraName(hamlog::HamlogLibrary& lib, std::string_view call) {
    try {
        const std::string base = SplitPortableCall(call).BaseCall;
        std::string name, fetchedCall, n;
        int r = lib.Vidx_search(base);
        if (r <= 0) return {};
        lib.THW_read(r);
        FetchField(lib, hamlog::kFieldCall, fetchedCall);
        FetchField(lib, hamlog::kFieldName, n);
        if (!n.empty()) name = n;  // the first record names the station before its call is compared
        for (bool first = true;; first = false) {
            if (BaseOfFetched(fetchedCall) != base) break;
            if (!first) {  // the first record's name was fetched above
                FetchField(lib, hamlog::kFieldName, n);
                if (!n.empty()) name = n;
            }
            r = lib.Vidx_next();
            if (r == 0) break;
            lib.THW_read(r);
            FetchField(lib, hamlog::kFieldCall, fetchedCall);
        }
        return std::string(text::Trim(name));
    } catch (const std::exception&) {
        return {};
    }
}

namespace {

// A base call the index answers as it stands: the database's key for it is its own text
// (ASCII without small letters, no spaces at its ends).
bool IsOwnKey(std::string_view base) {
    if (!base.empty() && (base.front() == ' ' || base.back() == ' ')) return false;
    for (char c : base)
        if ((c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The database's index key for a record's fetched callsign: its base call taken in Shift-JIS
// bytes, upper-cased when it is ASCII.
std::string KeyOfFetched(const std::string& call) {
    std::string key =
        text::IsAscii(call) ? hamlog::BaseCallOf(call) : hamlog::BaseCallOf(text::Utf8ToCp932(call));
    return text::IsAscii(key) ? text::ToUpper(key) : key;
}

}  // namespace

std::uint32_t QraIndex::Arena::Append(std::string_view s) {
    if (s.empty()) return 0;
    if (used_ + s.size() > kBlock) {
        blocks_.emplace_back(new char[kBlock]);
        used_ = 0;
    }
    const std::size_t at = (blocks_.size() - 1) * kBlock + used_;
    std::memcpy(blocks_.back().get() + used_, s.data(), s.size());
    used_ += s.size();
    return static_cast<std::uint32_t>(at);
}

QraIndex::QraIndex(hamlog::HamlogLibrary& library) : library_(library) {
    if (!dynamic_cast<hamlog::HdbLibrary*>(&library)) return;
    try {
        built_ = Build();
    } catch (const std::exception&) {
        built_ = false;
    }
    if (!built_) {
        slots_ = {};
        stations_ = Arena();
        names_ = Arena();
        count_ = 0;
    }
}

QraIndex::Head QraIndex::HeadAt(std::uint32_t at) const {
    const char* p = stations_.Data(at);
    Head h;
    h.keyLength = static_cast<std::uint8_t>(p[0]);
    h.nameLength = static_cast<std::uint8_t>(p[1]);
    h.walkEnded = p[2] != 0;
    std::memcpy(&h.name, p + 3, 4);
    return h;
}

void QraIndex::SetHead(std::uint32_t at, const Head& h) {
    char* p = stations_.Data(at);
    p[0] = static_cast<char>(h.keyLength);
    p[1] = static_cast<char>(h.nameLength);
    p[2] = h.walkEnded ? 1 : 0;
    std::memcpy(p + 3, &h.name, 4);
}

std::string_view QraIndex::KeyAt(std::uint32_t at) const {
    return std::string_view(stations_.Data(at) + kHeadBytes, static_cast<unsigned char>(*stations_.Data(at)));
}

// Two passes over the database: the first finds every base call and the record of its last
// name, the second reads just those records for their names, and each name is kept once
// however many stations have it.
bool QraIndex::Build() {
    slots_.assign(1024, 0);
    const int count = library_.Vdbf_rcount();
    const std::size_t callWidth = static_cast<std::size_t>(hamlog::HamlogFieldWidth(hamlog::kFieldCall));
    std::string call, name;
    for (int n = 1; n <= count; ++n) {
        if (library_.THW_read(n) != 0) continue;
        call.assign(callWidth, ' ');
        library_.ThwString(call, hamlog::kFieldCall);
        if (std::memchr(call.data(), '\0', call.size())) return false;  // keyed otherwise than it reads
        const std::string key = KeyOfFetched(call);
        if (key.size() > 0xFF || stations_.Size() >= 0xFFFF0000u) return false;
        const bool other = BaseOfFetched(call) != key;
        std::uint32_t at = Find(key);
        if (at != kNone) {
            Head h = HeadAt(at);
            if (h.walkEnded || other) {
                if (other && !h.walkEnded) {
                    h.walkEnded = true;
                    SetHead(at, h);
                }
                continue;
            }
        }
        FetchField(library_, hamlog::kFieldName, name);
        if (at == kNone) {
            at = Insert(key);
            Head h = HeadAt(at);
            h.walkEnded = other;
            if (!name.empty()) h.name = static_cast<std::uint32_t>(n);
            SetHead(at, h);
        } else if (!name.empty()) {
            Head h = HeadAt(at);
            h.name = static_cast<std::uint32_t>(n);
            SetHead(at, h);
        }
    }
    // The records that hold a last name, in order, and the names from them.
    std::vector<bool> wanted(static_cast<std::size_t>(std::max(count, 0)) + 1, false);
    for (std::uint32_t s : slots_)
        if (s != 0) {
            const Head h = HeadAt(s - 1);
            if (h.name != 0) wanted[h.name] = true;
        }
    std::vector<std::uint32_t> nameSlots(1024, 0);  // names_ place + 1 of each name kept
    std::size_t nameCount = 0;
    for (int n = 1; n <= count; ++n) {
        if (!wanted[static_cast<std::size_t>(n)] || library_.THW_read(n) != 0) continue;
        call.assign(callWidth, ' ');
        library_.ThwString(call, hamlog::kFieldCall);
        const std::uint32_t at = Find(KeyOfFetched(call));
        if (at == kNone) return false;
        Head h = HeadAt(at);
        if (h.name != static_cast<std::uint32_t>(n)) return false;  // read otherwise
        FetchField(library_, hamlog::kFieldName, name);
        const std::string_view trimmed = text::Trim(name);
        if (trimmed.size() > 0xFF || names_.Size() >= 0xFFFF0000u) return false;
        h.nameLength = static_cast<std::uint8_t>(trimmed.size());
        h.name = 0;
        if (!trimmed.empty()) {
            if ((nameCount + 1) * 2 > nameSlots.size()) {
                std::vector<std::uint32_t> bigger(nameSlots.size() * 2, 0);
                for (std::uint32_t s : nameSlots) {
                    if (s == 0) continue;
                    const std::string_view v(names_.Data(s - 1) + 1,
                                             static_cast<unsigned char>(*names_.Data(s - 1)));
                    std::size_t i = std::hash<std::string_view>{}(v) & (bigger.size() - 1);
                    while (bigger[i] != 0) i = (i + 1) & (bigger.size() - 1);
                    bigger[i] = s;
                }
                nameSlots.swap(bigger);
            }
            const std::size_t mask = nameSlots.size() - 1;
            std::size_t i = std::hash<std::string_view>{}(trimmed)&mask;
            for (;; i = (i + 1) & mask) {
                const std::uint32_t s = nameSlots[i];
                if (s == 0) {
                    std::string entry(1, static_cast<char>(trimmed.size()));
                    entry.append(trimmed);
                    nameSlots[i] = names_.Append(entry) + 1;
                    ++nameCount;
                    h.name = nameSlots[i];
                    break;
                }
                if (std::string_view(names_.Data(s - 1) + 1,
                                     static_cast<unsigned char>(*names_.Data(s - 1))) == trimmed) {
                    h.name = s;
                    break;
                }
            }
        }
        SetHead(at, h);  // name: the place of the length byte + 1
    }
    return true;
}

std::uint32_t QraIndex::Find(std::string_view key) const {
    if (slots_.empty()) return kNone;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = std::hash<std::string_view>{}(key)&mask;; i = (i + 1) & mask) {
        const std::uint32_t s = slots_[i];
        if (s == 0) return kNone;
        if (KeyAt(s - 1) == key) return s - 1;
    }
}

std::uint32_t QraIndex::Insert(std::string_view key) {
    // Three quarters full at most: linear probing stays short, the table small.
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
    std::string station(kHeadBytes, '\0');
    station[0] = static_cast<char>(key.size());
    station.append(key);
    const std::uint32_t at = stations_.Append(station);
    ++count_;
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = std::hash<std::string_view>{}(key)&mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = at + 1;
    return at;
}

void QraIndex::Grow() {
    std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t s : slots_) {
        if (s == 0) continue;
        std::size_t i = std::hash<std::string_view>{}(KeyAt(s - 1)) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = s;
    }
    slots_.swap(slots);
}

std::string_view QraIndex::Lookup(std::string_view call) const {
    // The base call as SplitPortableCall gives it, without a copy.
    std::string_view base = call;
    if (const std::size_t slash = call.rfind('/'); slash != std::string_view::npos) {
        const std::string_view before = call.substr(0, slash), after = call.substr(slash + 1);
        base = text::CharCount(after) > text::CharCount(before) ? after : before;
    }
    if (!built_ || !IsOwnKey(base) || base.size() > 0xFF) {
        fallback_ = LookupQraName(library_, call);
        return fallback_;
    }
    const std::uint32_t at = Find(base);
    if (at == kNone) return {};
    const Head h = HeadAt(at);
    return h.nameLength == 0 ? std::string_view() : names_.At(h.name, h.nameLength);
}

}  // namespace trelvo::zlog
