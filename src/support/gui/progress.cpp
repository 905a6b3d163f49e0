// The progress window, its counter and the busy panel.
#include "support/gui/progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <limits>

namespace kx::ui {

namespace {

// Keeps a tool window above the window it belongs to without making it that window's child:
// a child would be disabled together with the main window while a long operation runs.
void attachToOwner(QWidget* window, const QWidget* owner) {
    if (!owner) return;
    window->winId();
    QWidget* top = owner->window();
    if (window->windowHandle() && top && top->windowHandle())
        window->windowHandle()->setTransientParent(top->windowHandle());
}

} // namespace

void centreWindow(QWidget* window, const QWidget* on) {
    QRect area;
    if (on && on->isVisible()) {
        area = on->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isEmpty()) return;
    QRect placed(QPoint(0, 0), window->frameGeometry().size());
    placed.moveCenter(area.center());
    window->move(placed.topLeft());
}

// ---- TProgressForm ----

TProgressForm::TProgressForm(const QString& caption, std::atomic<bool>* abortFlag, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_abort(abortFlag) {
    setObjectName(QStringLiteral("TProgressForm"));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(410, 123);
    pBar = new QProgressBar(this);
    pBar->setObjectName(QStringLiteral("pBar"));
    pBar->setGeometry(8, 48, 393, 17);
    pBar->setRange(0, 100);
    pBar->setValue(0);
    pBar->setTextVisible(false);
}

void TProgressForm::userClose() {
    if (m_abort) *m_abort = true;
}

void TProgressForm::reject() {
    // Escape and the system's close command end up here as well as a close-box click.
    userClose();
    QDialog::reject();
}

void TProgressForm::closeEvent(QCloseEvent* e) {
    userClose();
    QDialog::closeEvent(e);
}

// ---- Progress ----

ProgressDisplay::ProgressDisplay(QWidget* owner) : m_owner(owner) {}

ProgressDisplay::~ProgressDisplay() {
    delete m_form.data();
}

void ProgressDisplay::showProgress(const QString& caption) {
    delete m_form.data();
    // Cleared before the job starts, so that a close at once still counts.
    counter.abort = false;
    counter.resetPosition();
    m_form = new TProgressForm(caption, &counter.abort);
    attachToOwner(m_form, m_owner);
    centreWindow(m_form, m_owner);
    m_form->show();
    m_form->raise();
}

bool ProgressDisplay::report(std::uint64_t done, std::uint64_t total) {
    const int percent = counter.report(done, total);
    if (percent >= 0) moveTo(percent);
    return !counter.abort;
}

void ProgressDisplay::moveTo(int percent) {
    // A job on a worker thread hands the new position to the window's thread.
    if (m_owner && QThread::currentThread() != m_owner->thread()) {
        QMetaObject::invokeMethod(
            m_owner, [this, percent] { showPosition(percent); }, Qt::QueuedConnection);
        return;
    }
    showPosition(percent);
}

void ProgressDisplay::showPosition(int percent) {
    // A window that the user closed is gone or on its way out: leave it alone.
    if (!counter.abort && m_form && m_form->isVisible()) {
        m_form->pBar->setValue(percent);
    }
}

void ProgressDisplay::closeProgress() {
    delete m_form.data();
}

kx::Progress ProgressDisplay::callback() {
    return [this](std::uint64_t done, std::uint64_t total) { return report(done, total); };
}

// ---- TOpenSaveForm ----

TOpenSaveForm::TOpenSaveForm(QWidget* centreOn, const QString& text)
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint), m_centreOn(centreOn) {
    setObjectName(QStringLiteral("TOpenSaveForm"));
    setFixedSize(214, 64);
    ProgressPanel = new QLabel(text, this);
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    ProgressPanel->setGeometry(0, 0, 214, 64);
    ProgressPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ProgressPanel->setLineWidth(2);
    ProgressPanel->setAlignment(Qt::AlignCenter);
    ProgressPanel->setAutoFillBackground(true);
}

void TOpenSaveForm::showCentred() {
    attachToOwner(this, m_centreOn);
    centreWindow(this, m_centreOn);
    show();
    raise();
}

void TOpenSaveForm::closeEvent(QCloseEvent* e) {
    // The user has no way to cancel an open or a search; only the program closes the panel.
    if (e->spontaneous())
        e->ignore();
    else
        QWidget::closeEvent(e);
}

} // namespace kx::ui
