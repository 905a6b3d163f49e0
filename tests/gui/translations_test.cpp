// The toolkit's own buttons in the interface's language.
#include "common/qstringprint.h"
#include "support/gui/translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

QStringList buttonTexts() {
    QStringList texts;
    for (const auto b : {QDialogButtonBox::Yes, QDialogButtonBox::No, QDialogButtonBox::Cancel,
                         QDialogButtonBox::Ok, QDialogButtonBox::Open, QDialogButtonBox::Save})
        texts << QDialogButtonBox(b).button(b)->text();
    return texts;
}

TEST(ToolkitTranslations, RussianInterfaceGetsRussianStandardButtons) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + "/qtbase_ru.qm"))
        GTEST_SKIP() << "no qtbase_ru.qm in " << folder.toStdString()
                     << " (scripts/setup installs the toolkit's translations)";
    QCoreApplication& app = *QCoreApplication::instance();
    const QStringList english = buttonTexts();
    EXPECT_EQ(english.value(2), "Cancel");

    QTemporaryDir empty;
    for (const char* code : {"eng", "ENG", ""})
        EXPECT_EQ(kx::ui::installToolkitTranslations(app, code), nullptr) << code;
    EXPECT_EQ(kx::ui::installToolkitTranslations(app, "rus", empty.path()), nullptr);
    EXPECT_EQ(buttonTexts(), english);

    QTranslator* russian = kx::ui::installToolkitTranslations(app, "RUS");
    ASSERT_NE(russian, nullptr);
    const QStringList texts = buttonTexts();
    QCoreApplication::removeTranslator(russian);
    delete russian;
    EXPECT_EQ(texts, QStringList({"&Да", "&Нет", "Отмена", "OK", "Открыть", "Сохранить"}));
    EXPECT_EQ(buttonTexts(), english);
}

} // namespace
