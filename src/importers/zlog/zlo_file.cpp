#include "importers/zlog/zlo_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/errors.h"
#include "text/cp932.h"

namespace trelvo::zlog {
namespace {

unsigned char ByteAt(std::string_view b, std::size_t at) {
    return at < b.size() ? static_cast<unsigned char>(b[at]) : 0;
}

unsigned U16At(std::string_view b, std::size_t at) {
    return ByteAt(b, at) | (ByteAt(b, at + 1) << 8);
}

// CP932 bytes as UTF-8; plain ASCII is taken as it is.
std::string Decode(std::string_view bytes) {
    return text::IsAscii(bytes) ? std::string(bytes) : text::Cp932ToUtf8(bytes);
}

// The text of a length-byte field: at most `max` bytes, never past the end of `b`.
std::string_view FieldBytes(std::string_view b, std::size_t lenAt, std::size_t max) {
    std::size_t n = std::min<std::size_t>(ByteAt(b, lenAt), max);
    if (lenAt + 1 >= b.size()) return {};
    n = std::min(n, b.size() - lenAt - 1);
    return b.substr(lenAt + 1, n);
}

std::string Decimal(unsigned v) {
    return std::to_string(v);
}

double DoubleAt(std::string_view b, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | ByteAt(b, at + static_cast<std::size_t>(i));
    return std::bit_cast<double>(bits);
}

// The memo: a lead byte that is the last of the bytes has no second byte and is dropped.
std::string DecodeMemo(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (text::IsCp932LeadByte(static_cast<unsigned char>(bytes[i]))) {
            if (i + 1 == bytes.size()) {
                bytes = bytes.substr(0, i);
                break;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    return Decode(bytes);
}

}  // namespace

ZloHeader ParseZloHeader(std::string_view b) {
    ZloHeader h;
    if (b.substr(0, kZloxMagic.size()) == kZloxMagic) {
        h.kind = ZloKind::Zlox;
        h.zloxCount = static_cast<std::uint32_t>(U16At(b, 4) | (U16At(b, 6) << 16));
    }
    if (b.size() >= kHeaderTimeBaseAt + 2 && ByteAt(b, kHeaderTimeBaseAt) == 0xE4 &&
        ByteAt(b, kHeaderTimeBaseAt + 1) == 0xFD)
        h.timeBase = "J";
    std::string name = Decode(FieldBytes(b, kHeaderContestLenAt, kContestMaxBytes));
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    h.contestName = std::move(name);
    return h;
}

ZloHeader ReadZloHeader(const std::string& path) {
    text::ByteReader in(path);
    std::string bytes;
    in.Read(bytes, kZloxRecordSize);
    return ParseZloHeader(bytes);
}

void DecodeZloRecord(std::string_view b, ZloKind kind, ZloRecord& r) {
    r.date = DoubleAt(b, kDateAt);
    r.call = Decode(FieldBytes(b, kCallLenAt, kCallMaxBytes));
    r.rcvNum = Decode(FieldBytes(b, kRcvNumLenAt, kRcvNumMaxBytes));
    r.rstSent = Decimal(U16At(b, kRstSentAt));
    r.rstRcvd = Decimal(U16At(b, kRstRcvdAt));
    r.mode = ByteAt(b, kModeAt);
    r.band = ByteAt(b, kBandAt);
    r.memoLengthByte = ByteAt(b, kMemoLenAt);
    // The memo may run to the end of the first 256 bytes, never into the extension.
    r.memo = DecodeMemo(FieldBytes(b.substr(0, kZloRecordSize), kMemoLenAt, kMemoMaxBytes));
    if (kind == ZloKind::Zlox) {
        r.freqKhz = Decode(FieldBytes(b, kFreqLenAt, kFreqMaxBytes));
        r.qsl = static_cast<QslState>(ByteAt(b, kQslStateAt));
    } else {
        r.freqKhz.clear();
        r.qsl = QslState::None;
    }
}

ZloReader::ZloReader(const std::string& path, const std::string_view* bytes) : in_(path, bytes) {
    // The header straight into its own bytes: the reader's block of a megabyte is never
    // filled, since the records come in through block_.
    std::string first(kZloRecordSize, '\0');
    first.resize(in_.ReadInto(first.data(), first.size()));
    header_ = ParseZloHeader(first);
    size_ = header_.kind == ZloKind::Zlox ? kZloxRecordSize : kZloRecordSize;
    if (first.size() == kZloRecordSize && size_ > kZloRecordSize) {  // the rest of a ZLOX header
        std::string rest(size_ - kZloRecordSize, '\0');
        in_.ReadInto(rest.data(), rest.size());
    }
    const long long total = in_.FileSize();
    const long long rs = static_cast<long long>(size_);
    contacts_ = total >= rs ? total / rs - 1 : 0;
    tail_ = total >= rs ? total % rs : total;
    // A megabyte of records at a time; a small file needs no more than it holds.
    const std::size_t perBlock = std::clamp<std::size_t>(static_cast<std::size_t>(contacts_) + 1, 1,
                                                         std::max<std::size_t>(1, (1u << 20) / size_));
    block_.resize(perBlock * size_);
}

bool ZloReader::Next(ZloRecord& out) {
    if (end_ - pos_ < size_) {
        // Keep a partial record (only possible at the end of the file) in front.
        const std::size_t left = end_ - pos_;
        std::memmove(block_.data(), block_.data() + pos_, left);
        pos_ = 0;
        end_ = left + in_.ReadInto(block_.data() + left, block_.size() - left);
        if (end_ < size_) return false;
    }
    DecodeZloRecord(std::string_view(block_.data() + pos_, size_), header_.kind, out);
    pos_ += size_;
    ++number_;
    return true;
}

std::string_view BandText(int band) {
    static constexpr std::string_view kBands[] = {"1.9", "3.5", "7",   "10",  "14",   "18",   "21",   "24",
                                                  "28",  "50",  "144", "430", "1200", "2400", "5600", "*10"};
    return band >= 0 && band < 16 ? kBands[band] : std::string_view();
}

std::string KhzTextToMhz(std::string_view khz) {
    while (!khz.empty() && (khz.front() == ' ' || khz.front() == '\0')) khz.remove_prefix(1);
    while (!khz.empty() && (khz.back() == ' ' || khz.back() == '\0')) khz.remove_suffix(1);
    std::string digits;  // all digits, the point `point` digits from the left
    std::size_t point = std::string::npos;
    for (char c : khz) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c == '.' && point == std::string::npos)
            point = digits.size();
        else
            return {};
    }
    if (digits.empty()) return {};
    if (point == std::string::npos) point = digits.size();
    // Move the point three places left.
    while (point < 3) digits.insert(digits.begin(), '0'), ++point;
    point -= 3;
    std::string whole = digits.substr(0, point);
    std::string frac = digits.substr(point);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.empty()) whole = "0";
    while (frac.size() < 3) frac += '0';
    while (frac.size() > 3 && frac.back() == '0') frac.pop_back();
    return whole + "." + frac;
}

}  // namespace trelvo::zlog
