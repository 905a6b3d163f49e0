// Folding the comment editor's line breaks into spaces, as the comment window stores a comment.
#pragma once

#include <QString>

namespace kx {

// The editor's text on one line. Each line break (CR LF, or a lone LF, CR, U+2028 or U+2029) is
// removed; one space takes its place when text follows it and the character before it is not
// already a space (or the break starts the text). A break at the end simply goes, so a single
// line break gives "". The result is never longer than the input.
QString foldLineBreaks(const QString& editorText);

} // namespace kx
