#include "hamlog/hdb_library.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "hamlog/db_file.h"
#include "hamlog/hdb_callsign.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/cp932.h"

namespace trelvo::hamlog {
namespace {

constexpr std::size_t kBlockBytes = 1 << 20;

// Library field number -> database field.
constexpr std::array<int, kHamlogFieldCount> kStoredField = {-1,      -1,       -1,       -1,       kHdbHis,
                                                             kHdbMy,  kHdbFreq, kHdbMode, kHdbCode, kHdbGl,
                                                             kHdbQsl, kHdbName, kHdbQth,  kHdbRmk1, kHdbRmk2};

std::uint64_t HeadOf(std::string_view key) {
    std::uint64_t h = 0;
    for (std::size_t i = 0; i < 8; ++i)
        h = (h << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return h;
}

// The index key of a callsign: its base part, in upper case when it is plain ASCII.
std::string KeyText(std::string_view call) {
    std::string key = BaseCallOf(call);
    return text::IsAscii(key) ? text::ToUpper(key) : key;
}

void AppendTwoDigits(std::string& out, unsigned v) {
    if (v > 99) {
        out += "??";
        return;
    }
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

// The stored bytes as UTF-8, space-filled to `width` CP932 bytes.
void Deliver(std::string& buffer, std::string_view stored, int width) {
    text::Cp932ToUtf8Into(stored, buffer);  // keeps the buffer's memory
    if (stored.size() < static_cast<std::size_t>(width))
        buffer.append(static_cast<std::size_t>(width) - stored.size(), ' ');
}

}  // namespace

HdbLibrary::~HdbLibrary() {
    HamlogClose();
}

int HdbLibrary::Fail(HdbOpenError e, const Message& what) {
    HamlogClose();
    openError_ = e;
    openErrorMessage_ = what;
    openErrorText_ = Render(what, Lang::kEnglish);
    return static_cast<int>(e);
}

int HdbLibrary::HamlogClose() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    path_.clear();
    header_ = HdbHeader{};
    count_ = live_ = 0;
    recordsInFile_ = 0;
    countWarning_.clear();
    countWarningMessage_ = Message();
    block_.clear();
    blockStart_ = -1;
    record_ = nullptr;
    kept_.clear();
    loaded_ = false;
    keys_.clear();
    keys_.shrink_to_fit();
    index_.clear();
    index_.shrink_to_fit();
    indexed_ = false;
    walking_ = false;
    return 0;
}

int HdbLibrary::HamlogOpen(const std::string& dbBase) {
    HamlogClose();
    openError_ = HdbOpenError::kNone;
    openErrorText_.clear();
    openErrorMessage_ = Message();
    const std::string path = dbBase + ".HDB";
    const std::string resolved = settings::ResolvePathNoCase(path);
    const std::string& found = resolved.empty() ? path : resolved;
    DbOpenStatus status;
    Message reason;
    std::FILE* f = OpenDatabaseForReading(found, status, &reason);
    if (!f)
        return Fail(status == DbOpenStatus::kNotFound          ? HdbOpenError::kNotFound
                    : status == DbOpenStatus::kHeldExclusively ? HdbOpenError::kInUse
                                                               : HdbOpenError::kCannotRead,
                    Message("core.format-error")
                        .Arg("where", found)
                        .Arg("what", Message("hdb.cannot-open").Arg("reason", reason)));
    // The library keeps its own blocks: unbuffered, a jump reads just the record it needs.
    std::setvbuf(f, nullptr, _IONBF, 0);
    return HamlogOpenStream(f, found);
}

int HdbLibrary::HamlogOpenStream(std::FILE* f, const std::string& name) {
    HamlogClose();
    openError_ = HdbOpenError::kNone;
    openErrorText_.clear();
    openErrorMessage_ = Message();
    CheckedHdb checked;
    try {
        checked = CheckHdbStream(f, name);
    } catch (const HdbCheckError& e) {
        std::fclose(f);
        return Fail(
            e.problem() == HdbProblem::kNotHamlog ? HdbOpenError::kNotHamlog : HdbOpenError::kCannotRead,
            e.message() ? *e.message() : Message("cli.text").Arg("text", e.what()));
    }
    const std::string& found = name;
    f_ = f;
    path_ = found;
    header_ = std::move(checked.header);
    recordsInFile_ = checked.recordsInFile;
    countWarning_ = checked.countWarning;
    countWarningMessage_ = checked.countWarningMessage;
    count_ = checked.usableCount;
    if (count_ > 0x7FFFFFFFu) count_ = 0x7FFFFFFFu;  // record numbers are 32-bit signed

    // One pass: count the live records (and find out that every one can be read). The
    // callsign index waits for the first look-up: an export or a dump never needs it.
    for (std::uint32_t n = 1; n <= count_; ++n) {
        const char* r = RecordBytes(n);
        if (!r)
            return Fail(HdbOpenError::kCannotRead,
                        Message("hdb.cannot-read-record").Arg("record", n).Arg("file", found));
        if (r[0] == '*') continue;
        ++live_;
    }
    return 0;
}

void HdbLibrary::KeepLoadedRecord() {
    if (!loaded_ || record_ == kept_.data()) return;
    kept_.assign(record_, static_cast<std::size_t>(header_.recordLength));
    record_ = kept_.data();
}

void HdbLibrary::BuildIndex() {
    indexed_ = true;
    KeepLoadedRecord();  // the walk below reads block_ anew
    const HdbFieldDescriptor& calls = header_.fields[kHdbCalls];
    const HdbFieldDescriptor& ign = header_.fields[kHdbIgn];
    const HdbFieldDescriptor& flag = header_.fields[kHdbFlag];
    index_.reserve(live_);
    for (std::uint32_t n = 1; n <= count_; ++n) {
        const char* r = RecordBytes(n);
        if (!r) break;  // read at the open; a record that cannot be read now is not found
        if (r[0] == '*') continue;
        std::string_view rec(r, static_cast<std::size_t>(header_.recordLength));
        std::string call = RebuildHdbCall(
            rec.substr(static_cast<std::size_t>(calls.offset), static_cast<std::size_t>(calls.width)),
            rec.substr(static_cast<std::size_t>(ign.offset), static_cast<std::size_t>(ign.width)),
            GetLe16(rec, static_cast<std::size_t>(flag.offset)));
        index_.push_back(AddKey(KeyText(call), n));
    }
    std::sort(index_.begin(), index_.end(),
              [this](const IndexEntry& a, const IndexEntry& b) { return Less(a, b); });
}

HdbLibrary::IndexEntry HdbLibrary::AddKey(std::string_view key, std::uint32_t record) {
    // Keys of up to eight bytes live in `head` alone; longer ones also in keys_.
    if (key.size() <= 8) return IndexEntry{HeadOf(key), kShortKey, record};
    IndexEntry e{HeadOf(key), static_cast<std::uint32_t>(keys_.size()), record};
    const auto len = static_cast<unsigned>(std::min<std::size_t>(key.size(), 0xFFFF));
    keys_ += static_cast<char>(len & 0xFF);
    keys_ += static_cast<char>(len >> 8);
    keys_.append(key.substr(0, len));
    return e;
}

std::string_view HdbLibrary::KeyOf(const IndexEntry& e, char (&shortKey)[8]) const {
    if (e.keyAt == kShortKey) {
        std::size_t n = 0;
        for (int shift = 56; shift >= 0 && ((e.head >> shift) & 0xFF) != 0; shift -= 8)
            shortKey[n++] = static_cast<char>((e.head >> shift) & 0xFF);
        return std::string_view(shortKey, n);
    }
    const std::size_t len = GetLe16(keys_, e.keyAt);
    return std::string_view(keys_).substr(e.keyAt + 2, len);
}

int HdbLibrary::CompareKeys(const IndexEntry& a, const IndexEntry& b) const {
    if (a.head != b.head) return a.head < b.head ? -1 : 1;
    if (a.keyAt == kShortKey && b.keyAt == kShortKey) return 0;  // the heads are the keys
    char sa[8], sb[8];
    return KeyOf(a, sa).compare(KeyOf(b, sb));
}

bool HdbLibrary::Less(const IndexEntry& a, const IndexEntry& b) const {
    int c = CompareKeys(a, b);
    return c != 0 ? c < 0 : a.record < b.record;
}

std::size_t HdbLibrary::IndexBytes() const {
    return keys_.capacity() + index_.capacity() * sizeof(IndexEntry);
}

const char* HdbLibrary::RecordBytes(std::uint32_t n) {
    const auto len = static_cast<std::size_t>(header_.recordLength);
    const long long at = header_.headerLength + static_cast<long long>(n - 1) * header_.recordLength;
    if (blockStart_ < 0 || at < blockStart_ ||
        at + static_cast<long long>(len) > blockStart_ + static_cast<long long>(block_.size())) {
        // A jump (the name lookup through the index) reads the one record; a walk in record
        // order reads ahead in blocks that grow to kBlockBytes.
        const bool inOrder = blockStart_ < 0 || at == blockStart_ + static_cast<long long>(block_.size());
        const std::size_t ahead = blockStart_ < 0 ? kBlockBytes : std::min(kBlockBytes, block_.size() * 32);
        std::size_t want = inOrder ? std::max(len, ahead / len * len) : len;
        // Never more than the records left in the file (a small file needs no large block).
        const std::uint64_t left = recordsInFile_ >= n ? (recordsInFile_ - n + 1) * len : len;
        if (want > left) want = static_cast<std::size_t>(std::max<std::uint64_t>(left, len));
        block_.resize(want);
        std::size_t got = 0;
        if (inOrder) {
            if (!SeekFile(f_, at)) return nullptr;
            got = std::fread(block_.data(), 1, want, f_);
        } else {
            got = ReadFileAt(f_, at, block_.data(), want);
        }
        block_.resize(got);
        blockStart_ = at;
        if (got < len) {
            blockStart_ = -1;
            return nullptr;
        }
    }
    return block_.data() + (at - blockStart_);
}

std::string_view HdbLibrary::Field(int index) const {
    const HdbFieldDescriptor& d = header_.fields[static_cast<std::size_t>(index)];
    return std::string_view(record_ + d.offset, static_cast<std::size_t>(d.width));
}

int HdbLibrary::THW_read(int recordNumber) {
    loaded_ = false;
    if (!f_ || recordNumber < 1 || static_cast<std::uint32_t>(recordNumber) > count_) return 1;
    const char* r = RecordBytes(static_cast<std::uint32_t>(recordNumber));
    if (!r) return 3;
    if (r[0] == '*') return 2;
    record_ = r;  // no copy: valid until block_ is read again
    loaded_ = true;
    return 0;
}

int HdbLibrary::ThwString(std::string& buffer, int field) {
    const int width = HamlogFieldWidth(field);
    if (!loaded_ || width == 0) {
        buffer.assign(static_cast<std::size_t>(width), ' ');
        return 1;
    }
    switch (field) {
        case kFieldCall: {
            std::string call = RebuildHdbCall(Field(kHdbCalls), Field(kHdbIgn), GetLe16(Field(kHdbFlag), 0));
            Deliver(buffer, call, width);
            return 0;
        }
        case kFieldDate: {
            std::string_view d = Field(kHdbDate);
            buffer.clear();
            for (int i = 0; i < 4; ++i)
                AppendTwoDigits(buffer, static_cast<unsigned char>(d[static_cast<std::size_t>(i)]));
            return 0;
        }
        case kFieldTime: {
            std::string_view t = Field(kHdbTime);
            const auto minute = static_cast<unsigned char>(t[1]);
            buffer.clear();
            AppendTwoDigits(buffer, static_cast<unsigned char>(t[0]));
            buffer += ':';
            AppendTwoDigits(buffer, minute & 0x7Fu);
            buffer += (minute & 0x80u) ? 'U' : 'J';
            return 0;
        }
        default:
            Deliver(buffer, Field(kStoredField[static_cast<std::size_t>(field)]), width);
            return 0;
    }
}

bool HdbLibrary::ThwStringTrimmed(std::string& out, int field) {
    // The text fields, stored as CP932 padded with spaces: spaces are never part of a
    // double-byte character, so trimming the bytes trims the text. NULs could join the bytes
    // around them into another character: those fields go the long way.
    if (!loaded_ || field <= kFieldTime || field >= kHamlogFieldCount || HamlogFieldWidth(field) == 0)
        return false;
    std::string_view stored = Field(kStoredField[static_cast<std::size_t>(field)]);
    // Remarks are mostly padding: their spaces go eight at a time.
    static constexpr char kEightSpaces[] = "        ";
    while (stored.size() >= 8 && std::memcmp(stored.data() + stored.size() - 8, kEightSpaces, 8) == 0)
        stored.remove_suffix(8);
    stored = text::Trim(stored);
    if (std::memchr(stored.data(), '\0', stored.size())) return false;
    text::Cp932ToUtf8Into(stored, out);
    return true;
}

int HdbLibrary::Vidx_search(const std::string& call) {
    walking_ = false;
    if (!f_) return 0;
    if (!indexed_) BuildIndex();
    const std::string cp = text::Utf8ToCp932(text::Trim(call));
    const std::string key = text::IsAscii(cp) ? text::ToUpper(cp) : cp;
    // A probe entry: a long key goes into keys_ for the search and is taken out again.
    const std::size_t keysSize = keys_.size();
    const IndexEntry probe = AddKey(key, 0);
    auto it =
        std::lower_bound(index_.begin(), index_.end(), probe,
                         [this](const IndexEntry& e, const IndexEntry& p) { return CompareKeys(e, p) < 0; });
    const bool found = it != index_.end() && CompareKeys(*it, probe) == 0;
    keys_.resize(keysSize);
    if (!found) return 0;
    cursor_ = static_cast<std::size_t>(it - index_.begin());
    walking_ = true;
    return static_cast<int>(it->record);
}

int HdbLibrary::Vidx_next() {
    if (!walking_ || cursor_ + 1 >= index_.size() || CompareKeys(index_[cursor_], index_[cursor_ + 1]) != 0) {
        walking_ = false;
        return 0;
    }
    ++cursor_;
    return static_cast<int>(index_[cursor_].record);
}

}  // namespace trelvo::hamlog
