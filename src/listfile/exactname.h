// Exact names: a file system's name kept beside its code-page form in a record's name field.
//
// The name field holds the code-page form up to its first NUL, as every reader of the format
// expects. When that form is not the file system's name (a character without a byte in the
// code page, a backslash, bytes that are no UTF-8), the exact bytes follow the NUL, tagged:
//
//   offset (n = the code-page form's length)
//   0        code-page form, n bytes (no NUL)
//   n        0x00
//   n+1      magic 0x1E 'X' 'N' 0x01 (four bytes)
//   n+5      L, the exact name's length (1..255)
//   n+6      the exact name, L bytes (no NUL)
//   n+6+L    CRC-32 (little-endian) of the field's bytes 0 .. n+5+L
//   n+10+L   zeros to the end of the 256 bytes
//
// A tag is taken only when everything checks: the magic, L inside the field, no NUL in the
// exact bytes, the CRC, and the code-page form as stored equal to the one setNameField makes of
// the exact bytes (which must differ from it). Bytes another program left after a NUL, or a name
// another program changed, do not pass.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

struct Entry;

enum class NameFit { exact, tagged, inexact };

// Writes a file system's name (bytes as the system gives them, normally UTF-8) into the
// record's 256-byte name field: the nearest code-page form (characters without a byte there
// as '?', a backslash as '_'), NUL, and when that form is not the exact name, the exact bytes
// after the NUL, tagged. exact: the code-page form is the name; tagged: the exact form is
// kept after the NUL; inexact: it did not fit (the code-page form alone is written).
NameFit setNameField(std::uint8_t* record, std::string_view systemName);

// The exact name kept after the name field's NUL, when the tag is there and sound.
std::optional<std::string_view> exactNameIn(const std::uint8_t* nameField256);

// The nearest code-page form of a file system's name (at most 255 bytes): each character the
// code page holds as its byte, every other character and every byte that is no part of valid
// UTF-8 as one '?', a backslash as '_'.
std::string codePageForm(std::string_view systemName);

// Text of an exact name for display: UTF-8 decoded, each byte of an invalid sequence as U+FFFD.
QString exactNameText(std::string_view exactBytes);

// An Entry's name as shown and matched: the exact name where the record keeps one, else the
// code-page name; as text, and as UTF-8 bytes (an exact name's bytes as they are).
QString nameText(const Entry& e);
std::string nameUtf8(const Entry& e);

} // namespace kx
