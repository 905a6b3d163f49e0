// The toolkit's own texts in the chosen language.
#include "support/gui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kx::ui {

QTranslator* installToolkitTranslations(QCoreApplication& app, const QString& languageCode,
                                        const QString& folder) {
    if (languageCode.toUpper() != QLatin1String("RUS")) return nullptr;
    auto* translator = new QTranslator(&app);
    const QString from =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!translator->load(QStringLiteral("qtbase_ru"), from) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace kx::ui
