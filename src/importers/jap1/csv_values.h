// Comma-separated values as JAP1 writes them and as the remarks table "remconv.txt" holds
// them: a value may be enclosed in double quotes, and a line end separates values just as a
// comma does, so a record is a run of values rather than a line.
#pragma once

#include <cstddef>
#include <string>

#include "text/io.h"

namespace trelvo::jap1 {

// Reads CP932 text value by value; values come out as UTF-8.
//
//  * Blanks (spaces, tabs) before a value are skipped.
//  * A value that starts with a double quote runs to the next double quote; a comma inside
//    is part of it. Text between the closing quote and the next comma is added to the value
//    (blanks dropped), so nothing of the line is lost. A quote left open ends at the line end.
//  * Any other value runs to the next comma or line end, blanks at its end dropped.
//  * CR LF, CR and LF each end a line. A comma at the end of a line is followed by one empty
//    value.
class CsvValueReader {
public:
    explicit CsvValueReader(text::ByteReader& in) : in_(in) {}

    // Drops the next whole line unread (a header line). False at the end of the file.
    bool SkipLine();
    // Moves to where the next record starts, passing over blank lines. False at the end of
    // the file (nothing but blank lines left).
    bool StartRecord();
    // The next value; false when the file has ended before it.
    bool Next(std::string& value);
    // True when the value just read was followed by a comma: more values on the same line.
    bool LineOpen() const { return open_; }
    // The rest of the current line, unread, as text; the reader moves past it.
    std::string DropRestOfLine();

    // Number of the line being read (1 for the first line of the file).
    long long LineNumber() const { return in_.LineNumber(); }
    // Bytes that were not CP932 text (each became U+FFFD) since the last call.
    std::size_t TakeInvalidBytes();

private:
    bool NextLine();

    text::ByteReader& in_;
    std::string raw_;
    std::string line_;  // the current line as UTF-8
    std::size_t pos_ = 0;
    bool open_ = false;  // a value still begins at pos_ on the current line
    std::size_t invalid_ = 0;
};

}  // namespace trelvo::jap1
