// Everything the command line prints goes through std::cout and std::cerr; while a
// ConsoleOutput lives, both hand their text to WriteStdStream (core/platform.h), the one place
// that knows how a console or a redirected stream wants it.
#pragma once

#include <array>
#include <iostream>
#include <streambuf>

#include "core/platform.h"

namespace trelvo::cli {

// A stream buffer that collects UTF-8 text and passes it on in pieces of whole bytes.
class StdStreamBuf : public std::streambuf {
public:
    explicit StdStreamBuf(StdStream stream);
    ~StdStreamBuf() override;
    StdStreamBuf(const StdStreamBuf&) = delete;
    StdStreamBuf& operator=(const StdStreamBuf&) = delete;

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    void Flush(bool all);
    StdStream stream_;
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
    StdStreamBuf out_{StdStream::kOut};
    StdStreamBuf err_{StdStream::kErr};
    std::streambuf* oldOut_;
    std::streambuf* oldErr_;
    std::streambuf* oldLog_;
};

}  // namespace trelvo::cli
