#include "cli/console_output.h"

#include <string_view>
#include <utility>

namespace trelvo::cli {

StdStreamBuf::StdStreamBuf(Sink sink) : sink_(std::move(sink)) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

StdStreamBuf::~StdStreamBuf() {
    Flush(true);
}

void StdStreamBuf::Flush(bool all) {
    // Hold back an unfinished UTF-8 sequence at the end (at most three bytes) so a console
    // never sees half a character; it goes out with the next piece.
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    std::size_t whole = size;
    std::size_t back = 0;
    while (back < 3 && back < size && (static_cast<unsigned char>(buffer_[size - 1 - back]) & 0xC0) == 0x80)
        ++back;
    if (!all && back < size) {
        const auto lead = static_cast<unsigned char>(buffer_[size - 1 - back]);
        const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (need > back + 1) whole = size - 1 - back;
    }
    if (whole > 0) sink_(std::string_view(pbase(), whole));
    const std::size_t rest = size - whole;
    std::char_traits<char>::move(buffer_.data(), buffer_.data() + whole, rest);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    pbump(static_cast<int>(rest));
}

StdStreamBuf::int_type StdStreamBuf::overflow(int_type ch) {
    Flush(false);
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    return ch;
}

int StdStreamBuf::sync() {
    Flush(false);
    return 0;
}

ConsoleOutput::ConsoleOutput()
    : oldOut_(std::cout.rdbuf(&out_)), oldErr_(std::cerr.rdbuf(&err_)), oldLog_(std::clog.rdbuf(&err_)) {}

ConsoleOutput::~ConsoleOutput() {
    std::cout.flush();
    std::cerr.flush();
    std::cout.rdbuf(oldOut_);
    std::cerr.rdbuf(oldErr_);
    std::clog.rdbuf(oldLog_);
}

}  // namespace trelvo::cli
