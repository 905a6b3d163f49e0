// The about window with its support link, and the opening of web addresses.
#pragma once

#include "support/gui/resources.h"
#include "support/strings.h"

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QUrl>

#include <functional>

class QFrame;
class QPushButton;

namespace kx::ui {

// The program's version as the about window shows it.
inline QString versionText() {
    return QStringLiteral("1.0");
}

// Hands `address` to the desktop through `opener` (QDesktopServices::openUrl when empty). When
// that fails, a plain box titled "Fentaro.light" says messages row 7, " - " and the address;
// the box goes through `info` when given (tests answer it), else a QMessageBox over `owner`.
// Returns whether the address was opened.
bool openWebAddress(
    QWidget* owner, const QString& address, const StringTables& t,
    const std::function<bool(const QUrl&)>& opener,
    const std::function<void(const QString& title, const QString& text)>& info = {});

// A label that acts as a link: hand cursor, opened by a click or by Enter or Space when it has
// the keyboard focus.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void setUnderlined(bool on);
};

// The about window: name and version, three lines on what the program is for, the support
// link and the close button. Its layout follows the texts each time it is shown.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* VersionLabel = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    LinkLabel* Link1Label = nullptr;
    QFrame* Bevel = nullptr;
    QPushButton* BitBtn = nullptr;

    // Takes the caption, the lines, the link and its address, and the button text from the
    // about table in the current language. The tables must outlive the window.
    void applyTexts(const StringTables& t);
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_opener = std::move(opener); }
    // Where the failure box of the link goes; a QMessageBox when not set.
    void setMessageBox(std::function<void(const QString&, const QString&)> info) {
        m_info = std::move(info);
    }

    // Opens the address held in the link's hint.
    void Link1LabelClick();
    // Sizes and centres the controls on the current texts.
    void layoutControls();

protected:
    void showEvent(QShowEvent* e) override;

private:
    const StringTables* m_tables = nullptr;
    std::function<bool(const QUrl&)> m_opener;
    std::function<void(const QString&, const QString&)> m_info;
};

} // namespace kx::ui
