// Typed errors of the engine. Front ends catch `Error` once per command and show its text.
#pragma once

#include <stdexcept>
#include <string>

namespace trelvo {

// Base of every error the engine throws on purpose.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened, read, created or written. `path` names it.
class FileError : public Error {
public:
    FileError(std::string path, const std::string& what)
        : Error(what + ": " + path), path_(std::move(path)) {}
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Input that cannot be interpreted. `where` names the file and record or line.
class FormatError : public Error {
public:
    FormatError(std::string where, const std::string& what)
        : Error(where.empty() ? what : where + ": " + what), where_(std::move(where)) {}
    const std::string& where() const { return where_; }

private:
    std::string where_;
};

// A date or time text that is not a date; carries the text as it was.
class DateTimeError : public Error {
public:
    explicit DateTimeError(std::string text)
        : Error("not a valid date and time: \"" + text + "\""), text_(std::move(text)) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The user (or a callback) stopped a run on purpose.
class Aborted : public Error {
public:
    using Error::Error;
};

}  // namespace trelvo
