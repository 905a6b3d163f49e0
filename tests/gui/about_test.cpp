// The about window's layout and link, the opening of web addresses, and the built-in pictures.
#include "support/gui/aboutform.h"

#include <QFrame>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include "core/tables_helpers.h"

#include <gtest/gtest.h>

using kx::ui::StringTables;
using kx::ui::TAboutForm;

namespace {

const StringTables& tables() {
    return kxtest::builtTables();
}

// Runs a test body with the language code set, and puts the old one back.
class LanguageScope {
public:
    explicit LanguageScope(const char* code) : m_saved(kx::ui::languageCode()) {
        kx::ui::setLanguageCode(code);
    }
    ~LanguageScope() { kx::ui::setLanguageCode(m_saved); }

private:
    QString m_saved;
};

int centreOf(const QWidget* w) {
    return w->x() + w->width() / 2;
}

struct Shown {
    QString title, text;
};

} // namespace

TEST(AboutForm, RussianLayoutFollowsTheSecondLine) {
    LanguageScope rus("rus");
    TAboutForm form;
    form.applyTexts(tables());
    form.show();

    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("О программе"));
    EXPECT_EQ(form.VersionLabel->text(), "Fentaro.brelvik 1.0");
    ASSERT_GT(form.Label2->width(), form.Label1->width());
    EXPECT_EQ(form.width(), form.Label2->width() + 144);
    EXPECT_EQ(form.height(), 184);
    // Version line and link share one axis, the button sits under it.
    EXPECT_NEAR(centreOf(form.VersionLabel), centreOf(form.Link1Label), 1);
    EXPECT_NEAR(centreOf(form.VersionLabel), (form.width() - 10) / 2, 1);
    EXPECT_EQ(form.BitBtn->width(), 100);
    EXPECT_NEAR(centreOf(form.BitBtn), centreOf(form.VersionLabel), 3);
    EXPECT_EQ(form.Bevel->width(), form.width() - 25);
    for (QLabel* l : {form.Label1, form.Label2, form.Label3})
        EXPECT_EQ(l->x(), 64);
    EXPECT_EQ(form.Link1Label->toolTip(), tables().about.text(6, "rus"));
    EXPECT_EQ(form.Link1Label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST(AboutForm, LayoutIsRecomputedOnEveryShow) {
    TAboutForm form;
    {
        LanguageScope eng("eng");
        form.applyTexts(tables());
    }
    form.Label1->setText("A first line that is far wider than the second line of the window");
    form.show();
    EXPECT_EQ(form.width(), form.Label1->width() + 144);
    form.hide();
    form.Label1->setText("short");
    form.show();
    EXPECT_EQ(form.width(), std::max(form.Label1->width(), form.Label2->width()) + 144);
    EXPECT_NEAR(centreOf(form.VersionLabel), centreOf(form.Link1Label), 1);
}

TEST(AboutForm, LinkOpensTheSupportPageByClickOrKey) {
    LanguageScope eng("eng");
    TAboutForm form;
    form.applyTexts(tables());
    QList<QUrl> opened;
    std::vector<Shown> boxes;
    form.setUrlOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    form.setMessageBox([&](const QString& title, const QString& text) {
        boxes.push_back({title, text});
    });
    form.show();
    QTest::mouseClick(form.Link1Label, Qt::LeftButton);
    form.Link1Label->setFocus();
    QTest::keyClick(form.Link1Label, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].toString(), tables().about.text(6, "eng"));
    EXPECT_EQ(opened[1], opened[0]);
    EXPECT_TRUE(boxes.empty());

    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST(AboutForm, FailedOpenShowsOneMessage) {
    LanguageScope rus("rus");
    TAboutForm form;
    form.applyTexts(tables());
    std::vector<Shown> boxes;
    form.setUrlOpener([](const QUrl&) { return false; });
    form.setMessageBox([&](const QString& title, const QString& text) {
        boxes.push_back({title, text});
    });
    form.show();
    QTest::mouseClick(form.Link1Label, Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Fentaro.light");
    EXPECT_EQ(boxes[0].text,
              QString::fromUtf8("Не удалось открыть страницу - ") + tables().about.text(6, "rus"));
}

TEST(OpenWebAddress, ReportsOnlyFailures) {
    LanguageScope eng("eng");
    struct Case {
        QString address;
        bool openerSucceeds;
        bool expectOpened;
    } cases[] = {
        {"https://example.org/en/", true, true},
        {"https://example.org/en/", false, false},
        {"", true, false}, // nothing to open is a failure, not a silent success
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        std::vector<Shown> boxes;
        int calls = 0;
        const bool opened = kx::ui::openWebAddress(
            nullptr, c.address, tables(),
            [&](const QUrl& url) {
                ++calls;
                EXPECT_EQ(url.toString(), c.address); // handed over unchanged
                return c.openerSucceeds;
            },
            [&](const QString& title, const QString& text) {
                boxes.push_back({title, text});
            });
        EXPECT_EQ(opened, c.expectOpened);
        if (c.expectOpened) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].title, "Fentaro.light");
            EXPECT_EQ(boxes[0].text, "Could not open the page - " + c.address);
        }
    }
}

TEST(Resources, LogoAndIconAreBuiltIn) {
    kx::ui::initResources();
    const QPixmap logo(":/fentaro/logo.png");
    EXPECT_EQ(logo.size(), QSize(102, 37));
    EXPECT_FALSE(QPixmap(":/fentaro/icon.png").isNull());
    EXPECT_FALSE(QIcon(":/fentaro/icon.svg").pixmap(32, 32).isNull());
}
