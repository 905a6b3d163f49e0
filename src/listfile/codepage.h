// The 8-bit code pages of lists: names and comments are in the system's ANSI code page
// (Windows-1251); ZIP entry names are in the OEM code page (IBM866). Both choices live here.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kx {

inline constexpr const char* kAnsiCodePage = "windows-1251";
inline constexpr const char* kOemCodePage = "IBM866";

QString fromAnsi(std::string_view bytes);
// The same text as UTF-8, appended to `out` without going through a QString (rows by the
// million are printed this way).
void appendAnsiAsUtf8(std::string& out, std::string_view bytes);
// Converts to the ANSI code page. *ok (when given) is false when a character has no byte there;
// such characters come out as '?'.
std::string toAnsi(const QString& text, bool* ok = nullptr);
QString fromOem(std::string_view bytes);
std::string toOem(const QString& text, bool* ok = nullptr);

} // namespace kx
