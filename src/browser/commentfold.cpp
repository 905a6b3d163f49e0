// Folding the comment editor's line breaks into spaces.
#include "browser/commentfold.h"

namespace kx {

QString foldLineBreaks(const QString& editorText) {
    QString out;
    out.reserve(editorText.size());
    const qsizetype n = editorText.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = editorText.at(i);
        qsizetype breakLength = 0;
        if (c == u'\r')
            breakLength = (i + 1 < n && editorText.at(i + 1) == u'\n') ? 2 : 1;
        else if (c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            breakLength = 1;
        if (breakLength == 0) {
            out.append(c);
            continue;
        }
        // Later breaks are still in the text when this one is folded, so they count as "text
        // that follows"; the character before is whatever the folding has produced so far.
        const bool textFollows = i + breakLength < n;
        if (textFollows && (out.isEmpty() || out.back() != u' ')) out.append(u' ');
        i += breakLength - 1;
    }
    return out;
}

} // namespace kx
