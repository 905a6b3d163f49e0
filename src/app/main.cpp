// The viewer: the language, then the four windows, then the event loop.
#include "browser/gui/commentform.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/maskform.h"
#include "support/gui/aboutform.h"
#include "support/gui/translations.h"
#include "support/strings.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kx::ui::applicationTitle());
    kx::ui::initLanguage(argc, argv);
    kx::ui::installToolkitTranslations(app, kx::ui::languageCode());
    // The window's sizes are laid out for a compact sans-serif face; Liberation Sans has the
    // metrics of the face they were designed for.
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    kx::TInfoFileForm infoFileForm(kx::ui::stripLanguageArgs(QApplication::arguments()).mid(1));
    kx::TMaskForm maskForm(&infoFileForm);
    kx::ui::TAboutForm aboutForm(&infoFileForm);
    kx::TCommentForm commentForm(&infoFileForm);
    infoFileForm.setForms(&maskForm, &aboutForm, &commentForm);
    infoFileForm.show();
    return QApplication::exec();
}
