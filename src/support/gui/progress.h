// The progress window with its abort flag, the counter behind its bar, and the busy panel.
#pragma once

#include "support/progress.h"
#include "support/progresscounter.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>

class QLabel;
class QProgressBar;

namespace kx::ui {

// The progress window: a title bar with the close box only and one bar from 0 to 100.
// A close by the user (close box, Escape, the system's close command) sets the abort flag.
class TProgressForm : public QDialog {
    Q_OBJECT
public:
    TProgressForm(const QString& caption, std::atomic<bool>* abortFlag, QWidget* parent = nullptr);

    QProgressBar* pBar = nullptr;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void userClose();
    std::atomic<bool>* m_abort;
};

// The main window's progress display: one ProgressCounter behind one TProgressForm.
class ProgressDisplay {
public:
    explicit ProgressDisplay(QWidget* owner);
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    ProgressCounter counter;

    std::atomic<bool>& abortFlag() { return counter.abort; }
    // Creates the window with the bar at 0 and the abort flag clear, and shows it (not modal)
    // centred on the owner. It paints, and takes a close, while the event loop runs.
    void showProgress(const QString& caption);
    // One report of the work: moves the bar only when the whole
    // percentage changes. Never touches a window that the user closed. On a worker thread the
    // new position is posted to the owner's thread instead. False once the user has closed the
    // window: the work is to stop.
    bool report(std::uint64_t done, std::uint64_t total);
    // Closes and destroys the window (safe when the user already closed it).
    void closeProgress();
    // The callback that reports to this display, for the save, the exports, printing and the
    // catalogue.
    kx::Progress callback();
    // The window while it exists, else null.
    TProgressForm* form() const { return m_form.data(); }

private:
    void moveTo(int percent);
    void showPosition(int percent);
    QWidget* m_owner;
    QPointer<TProgressForm> m_form;
};

// The busy panel: a borderless box with one centred line, shown while a list is opened or
// searched. The user cannot close it; its creator closes or destroys it.
class TOpenSaveForm : public QWidget {
    Q_OBJECT
public:
    TOpenSaveForm(QWidget* centreOn, const QString& text);

    QLabel* ProgressPanel = nullptr;

    // Shows the panel centred on the window given at creation; it paints while the event loop
    // runs (the job behind it runs on a worker thread).
    void showCentred();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QPointer<QWidget> m_centreOn;
};

// Moves a top-level window so that its centre lies on the centre of `on` (or of the screen
// when `on` is null).
void centreWindow(QWidget* window, const QWidget* on);

} // namespace kx::ui
