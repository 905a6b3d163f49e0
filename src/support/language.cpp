// The bilingual table's lookups and the language of the interface: chosen from the command line,
// the environment or the default, and kept for the whole run.
#include "support/strings.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <iterator>

namespace kx::ui {

namespace {

QString& languageStore() {
    static QString code = QStringLiteral("rus");
    return code;
}
bool languageChosen = false;

bool isKnownLanguage(const QString& code) {
    const QString up = code.toUpper();
    return up == QLatin1String("RUS") || up == QLatin1String("ENG");
}

} // namespace

bool localItems::load(const QString& code, const QStringList* lines) {
    if (!lines || lines->size() > 0xFFFF) return false;
    const QString up = code.toUpper();
    if (up == QLatin1String("RUS")) {
        m_rus = *lines;
        m_rowCount = static_cast<quint16>(lines->size());
    }
    if (up == QLatin1String("ENG")) {
        m_eng = *lines;
        m_rowCount = static_cast<quint16>(lines->size());
    }
    return true;
}

QString localItems::text(int index, const QString& code) const {
    if (index < 0 || index >= m_rowCount) return QString();
    const QString up = code.toUpper();
    // The row count is that of the language loaded last; a shorter list of the other language
    // must still never be read past its end.
    const QStringList* rows = up == QLatin1String("RUS")   ? &m_rus
                              : up == QLatin1String("ENG") ? &m_eng
                                                           : nullptr;
    if (!rows || index >= rows->size()) return QString();
    return rows->at(index);
}

QString languageCode() {
    return languageStore();
}

void setLanguageCode(const QString& code) {
    languageStore() = code;
}

bool languageIs(const char* upperCode) {
    return languageStore().toUpper() == QLatin1String(upperCode);
}

QString pickLanguage(const QStringList& args, const QString& envValue, QString* problem) {
    QString chosen;
    bool fromArgs = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--lang") && i + 1 < args.size()) {
            chosen = args.at(++i);
            fromArgs = true;
        } else if (arg.startsWith(QLatin1String("--lang="))) {
            chosen = arg.mid(7);
            fromArgs = true;
        }
    }
    if (!fromArgs) chosen = envValue;
    chosen = chosen.trimmed();
    if (chosen.isEmpty()) return QString();
    if (!isKnownLanguage(chosen)) {
        if (problem)
            *problem =
                QStringLiteral("Unknown interface language \"%1\" (use rus or eng); using rus.")
                    .arg(chosen);
        return QString();
    }
    return chosen.toLower();
}

void initLanguage(int argc, char** argv) {
    if (languageChosen) return;
    languageChosen = true;
    QStringList args;
    for (int i = 1; i < argc && argv && argv[i]; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QString problem;
    const QString chosen = pickLanguage(args, qEnvironmentVariable("FENTARO_LANG"), &problem);
    if (!problem.isEmpty()) std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
    if (!chosen.isEmpty()) languageStore() = chosen;
}

QStringList stripLanguageArgs(const QStringList& args) {
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (i > 0 && arg == QLatin1String("--lang")) {
            ++i; // its value goes too
            continue;
        }
        if (i > 0 && arg.startsWith(QLatin1String("--lang="))) continue;
        out.append(arg);
    }
    return out;
}

} // namespace kx::ui
