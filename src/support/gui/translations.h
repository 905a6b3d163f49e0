// The toolkit's own texts (standard buttons, file and message dialogs) in the chosen language.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace kx::ui {

// With the Russian interface ("rus", any case), installs the toolkit's Russian translations
// ("qtbase_ru" from the toolkit's translations folder, or from `folder` when given) on the
// application. Returns the installed translator, owned by the application; null for any other
// language or when the file cannot be loaded, and then the toolkit speaks English.
QTranslator* installToolkitTranslations(QCoreApplication& app, const QString& languageCode,
                                        const QString& folder = QString());

} // namespace kx::ui
