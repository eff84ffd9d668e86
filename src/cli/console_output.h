// Everything the command line prints goes through std::cout and std::cerr; while a
// ConsoleOutput lives, both hand their text to WriteStdStream (core/platform.h), the one place
// that knows how a console or a redirected stream wants it.
#pragma once

#include <array>
#include <functional>
#include <iostream>
#include <streambuf>

#include "core/platform.h"

namespace trelvo::cli {

// A stream buffer that collects UTF-8 text and passes it on to a sink in pieces that never
// split a character, at a flush or when its buffer is full.
class StdStreamBuf : public std::streambuf {
public:
    using Sink = std::function<void(std::string_view)>;
    explicit StdStreamBuf(Sink sink);
    ~StdStreamBuf() override;
    StdStreamBuf(const StdStreamBuf&) = delete;
    StdStreamBuf& operator=(const StdStreamBuf&) = delete;

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    void Flush(bool all);
    Sink sink_;
    std::array<char, 4096> buffer_{};
};

// Routes std::cout and std::cerr through WriteStdStream until destroyed.
class ConsoleOutput {
public:
    ConsoleOutput();
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

private:
    StdStreamBuf out_{[](std::string_view s) { WriteStdStream(StdStream::kOut, s); }};
    StdStreamBuf err_{[](std::string_view s) { WriteStdStream(StdStream::kErr, s); }};
    std::streambuf* oldOut_;
    std::streambuf* oldErr_;
    std::streambuf* oldLog_;
};

}  // namespace trelvo::cli
