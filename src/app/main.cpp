// The viewer: the language, then the four windows, then the event loop.
#include "browser/commentform.h"
#include "browser/infofileform.h"
#include "browser/maskform.h"
#include "support/aboutform.h"
#include "support/strings.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kx::ui::applicationTitle());
    QApplication::setApplicationDisplayName(kx::ui::applicationTitle());
    kx::ui::initLanguage(argc, argv);

    kx::TInfoFileForm infoFileForm(QApplication::arguments().mid(1));
    kx::TMaskForm maskForm(&infoFileForm);
    kx::ui::TAboutForm aboutForm(&infoFileForm);
    kx::TCommentForm commentForm(&infoFileForm);
    infoFileForm.setForms(&maskForm, &aboutForm, &commentForm);
    infoFileForm.show();
    return QApplication::exec();
}
