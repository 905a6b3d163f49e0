// The search-mask and comment windows, driven offscreen with key clicks.
#include "browser/gui/commentform.h"
#include "browser/gui/maskform.h"
#include "common/qstringprint.h"
#include "support/strings.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace kx {
namespace {

class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setLanguageCode(QStringLiteral("rus"));
        ui::buildStringTables(tables);
    }
    void TearDown() override { ui::setLanguageCode(QStringLiteral("rus")); }
    // Runs exec() and, once the window is up, the given steps on it.
    template <class F> int execWith(QDialog& d, F steps) {
        QTimer::singleShot(0, &d, [&d, steps] {
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            steps();
            if (d.isVisible()) d.reject(); // never leave a test blocked
        });
        return d.exec();
    }
    ui::StringTables tables;
};

TEST_F(Forms, MaskWindow) {
    TMaskForm form(nullptr);
    form.applyTexts(tables);
    EXPECT_EQ(form.size(), QSize(374, 81));
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Поиск"));
    EXPECT_EQ(form.CancelBitBtn->text(), QString::fromUtf8("Отменить"));
    EXPECT_TRUE(form.FindBitBtn->isDefault());

    // Typing enables Find, emptying disables it; Enter accepts the text untrimmed.
    int result = execWith(form, [&] {
        EXPECT_TRUE(form.ledMask->hasFocus());
        EXPECT_FALSE(form.FindBitBtn->isEnabled());
        QTest::keyClicks(form.ledMask, " doc");
        EXPECT_TRUE(form.FindBitBtn->isEnabled());
        QTest::keyClick(form.ledMask, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(form.ledMask, Qt::Key_Delete);
        EXPECT_FALSE(form.FindBitBtn->isEnabled());
        QTest::keyClick(form.ledMask, Qt::Key_Return); // disabled default button: nothing
        EXPECT_TRUE(form.isVisible());
        QTest::keyClicks(form.ledMask, " doc ");
        QTest::keyClick(form.ledMask, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.mask(), " doc ");

    // Showing again empties the edit; Escape and Cancel reject and keep the last mask.
    result = execWith(form, [&] {
        EXPECT_TRUE(form.ledMask->text().isEmpty());
        EXPECT_FALSE(form.FindBitBtn->isEnabled());
        QTest::keyClicks(form.ledMask, "x");
        QTest::keyClick(form.ledMask, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    result = execWith(form, [&] {
        QTest::keyClicks(form.ledMask, "y");
        QTest::mouseClick(form.CancelBitBtn, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(form.mask(), " doc ");
}

TEST_F(Forms, CommentCaptions) {
    TCommentForm form(nullptr);
    EXPECT_EQ(form.size(), QSize(358, 148));
    EXPECT_TRUE(form.btCancel->isDefault());
    struct Case {
        const char* language;
        char kind;
        const char* caption;
    } cases[] = {
        {"rus", 'F', "Ввод комментарияКомментарий для файла a.txt"},
        {"rus", 'D', "Ввод комментарияКомментарий для папки a.txt"},
        {"rus", 'X', "Ввод комментария"},
        {"eng", 'F', "Enter comment Comment for File a.txt"},
        {"eng", 'D', "Enter comment Commeny for folfer a.txt"},
        {"eng", 0, "Enter comment "},
    };
    for (const auto& c : cases) {
        ui::setLanguageCode(QString::fromLatin1(c.language));
        form.prepare(tables, "old", c.kind, "a.txt");
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8(c.caption)) << c.language << c.kind;
        EXPECT_EQ(form.redComment->toPlainText(), "old");
    }
    EXPECT_EQ(form.btOk->text(), "Apply");
    EXPECT_EQ(form.btCancel->text(), "Cancel");
}

TEST_F(Forms, CommentAcceptAndRefusals) {
    TCommentForm form(nullptr);
    QStringList told;
    form.setMessenger([&told](const QString& text) { told << text; });

    // Two lines fold into one; the window opens on the prepared comment with the focus in it.
    form.prepare(tables, "old", 'F', "a.txt");
    int result = execWith(form, [&] {
        EXPECT_TRUE(form.redComment->hasFocus());
        EXPECT_EQ(form.redComment->toPlainText(), "old");
        QTest::keyClick(form.redComment, Qt::Key_Return);
        QTest::keyClicks(form.redComment, "new");
        QTest::mouseClick(form.btOk, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.buffer(), "old new");
    EXPECT_TRUE(told.isEmpty());

    // An emptied editor: message 21, closed as cancelled, buffer untouched.
    form.prepare(tables, "keep", 'D', "dir");
    result = execWith(form, [&] {
        form.redComment->clear();
        QTest::mouseClick(form.btOk, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(form.buffer(), "keep");
    EXPECT_EQ(told, QStringList{tables.message(kx::ui::Msg::commentNotEntered)});

    // A character outside the list's code page: message 26 and the window stays open.
    form.prepare(tables, "", 'F', "a.txt");
    told.clear();
    result = execWith(form, [&] {
        form.redComment->insertPlainText(QString::fromUtf8("ok € 漢")); // € is storable, 漢 not
        QTest::mouseClick(form.btOk, Qt::LeftButton);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(told, QStringList{tables.message(kx::ui::Msg::commentNotStorable)});
    });
    EXPECT_EQ(result, QDialog::Rejected);

    // A single empty line is accepted and gives the empty comment.
    form.prepare(tables, "gone", 'F', "a.txt");
    result = execWith(form, [&] {
        form.redComment->setPlainText("\n");
        QTest::mouseClick(form.btOk, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.buffer(), "");
}

// Return and keypad Enter act on the focused control: on Apply they apply the typed text, on
// Cancel they cancel, and in the editor they start a new line with the window left open.
TEST_F(Forms, CommentEnterKeys) {
    enum class Then { Applied, Cancelled, NewLine };
    struct Case {
        const char* focus;
        Qt::Key key;
        Then then;
    } cases[] = {
        {"apply", Qt::Key_Return, Then::Applied},    {"apply", Qt::Key_Enter, Then::Applied},
        {"cancel", Qt::Key_Return, Then::Cancelled}, {"cancel", Qt::Key_Enter, Then::Cancelled},
        {"editor", Qt::Key_Return, Then::NewLine},   {"editor", Qt::Key_Enter, Then::NewLine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.focus) + (c.key == Qt::Key_Enter ? " keypad Enter" : " Return"));
        TCommentForm form(nullptr);
        form.prepare(tables, "old", 'F', "a.txt");
        bool openAfterKey = false;
        QString textAfterKey;
        const int result = execWith(form, [&] {
            QTest::keyClicks(form.redComment, " typed");
            QWidget* target = form.redComment;
            if (c.focus == std::string("apply")) target = form.btOk;
            if (c.focus == std::string("cancel")) target = form.btCancel;
            target->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(target->hasFocus());
            QTest::keyClick(target, c.key,
                            c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            openAfterKey = form.isVisible();
            textAfterKey = form.redComment->toPlainText();
        });
        switch (c.then) {
        case Then::Applied:
            EXPECT_EQ(result, QDialog::Accepted);
            EXPECT_EQ(form.buffer(), "old typed");
            break;
        case Then::Cancelled:
            EXPECT_EQ(result, QDialog::Rejected);
            EXPECT_EQ(form.buffer(), "old");
            break;
        case Then::NewLine:
            EXPECT_TRUE(openAfterKey);
            EXPECT_EQ(textAfterKey, "old typed\n");
            break;
        }
    }
}

TEST_F(Forms, CommentLimit) {
    TCommentForm form(nullptr);
    const QString x250(250, u'x');
    form.prepare(tables, x250, 'F', "a.txt");
    const int result = execWith(form, [&] {
        QTest::keyClicks(form.redComment, "abcdef"); // typing stops at 254
        EXPECT_EQ(form.redComment->toPlainText(), x250 + "abcd");
        // A paste in the middle keeps what fits of the pasted text and all of the old text.
        QTextCursor c = form.redComment->textCursor();
        c.setPosition(10);
        c.setPosition(14, QTextCursor::KeepAnchor); // four characters are replaced
        form.redComment->setTextCursor(c);
        QApplication::clipboard()->setText("123456");
        form.redComment->paste();
        EXPECT_EQ(form.redComment->toPlainText(), x250.left(10) + "1234" + x250.mid(14) + "abcd");
        QTest::mouseClick(form.btOk, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.buffer().size(), 254);

    form.prepare(tables, QString(300, u'y'), 'F', "a.txt");
    EXPECT_EQ(form.redComment->toPlainText(), QString(254, u'y'));
}

} // namespace
} // namespace kx
