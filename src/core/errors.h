// Typed errors of the engine. Front ends catch `Error` once per command and show its text,
// rendered in the user's language when the error carries a message (ErrorText).
#pragma once

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/message.h"

namespace trelvo {

// Base of every error the engine throws on purpose. what() is the English text; message()
// the catalog message, when the error was made from one.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit Error(const Message& m)
        : std::runtime_error(Render(m, Lang::kEnglish)), message_(std::make_shared<const Message>(m)) {}
    const Message* message() const { return message_.get(); }

protected:
    Error(const std::string& english, const Message& m)
        : std::runtime_error(english), message_(std::make_shared<const Message>(m)) {}

private:
    std::shared_ptr<const Message> message_;
};

// A file could not be opened, read, created or written. `path` names it.
class FileError : public Error {
public:
    FileError(std::string path, const std::string& what)
        : Error(what + ": " + path), path_(std::move(path)) {}
    FileError(std::string path, const Message& what)
        : Error(Message("core.file-error").Arg("what", what).Arg("file", path)), path_(std::move(path)) {}
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Input that cannot be interpreted. `where` names the file and record or line.
class FormatError : public Error {
public:
    FormatError(std::string where, const std::string& what)
        : Error(where.empty() ? what : where + ": " + what), where_(std::move(where)) {}
    FormatError(std::string where, const Message& what)
        : Error(where.empty() ? what : Message("core.format-error").Arg("where", where).Arg("what", what)),
          where_(std::move(where)) {}
    // `where` as a message too ("FILE line N"), so that it is shown in the user's language.
    FormatError(const Message& where, const Message& what)
        : Error(Message("core.format-error").Arg("where", where).Arg("what", what)),
          where_(Render(where, Lang::kEnglish)) {}
    const std::string& where() const { return where_; }

private:
    std::string where_;
};

// A date or time text that is not a date; carries the text as it was.
class DateTimeError : public Error {
public:
    explicit DateTimeError(std::string text)
        : Error(Message("core.not-a-date-time").Arg("value", text)), text_(std::move(text)) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The user (or a callback) stopped a run on purpose.
class Aborted : public Error {
public:
    using Error::Error;
};

// The system's reason for a failed call (errno): its own text in English (as the system words
// it), the catalog's in other languages for the reasons users meet most.
inline Message SystemErrorMessage(int error) {
    const char* id = error == ENOENT                     ? "sys.no-such-file"
                     : error == EACCES || error == EPERM ? "sys.permission"
                     : error == EISDIR                   ? "sys.is-folder"
                     : error == ENOSPC                   ? "sys.disk-full"
                     : error == EROFS                    ? "sys.read-only-fs"
                     : error == EBUSY                    ? "sys.busy"
                     : error == ENOTDIR                  ? "sys.not-folder"
                     : error == ENAMETOOLONG             ? "sys.name-too-long"
                     : error == EIO                      ? "sys.io"
                                                         : "cli.text";
    return Message(id).Arg("text", std::strerror(error));
}

// The text of any exception for the user: the error's message in `lang` when it has one,
// else what() as it is.
inline std::string ErrorText(const std::exception& e, Lang lang) {
    if (const auto* err = dynamic_cast<const Error*>(&e); err && err->message())
        return Render(*err->message(), lang);
    return e.what();
}

}  // namespace trelvo
