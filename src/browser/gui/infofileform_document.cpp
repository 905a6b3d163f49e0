// The main window's document: open (dialog, command line, drop), save, the close question, the
// jobs that run on a worker thread, and the messages that tell what went wrong.
#include "browser/gui/infofileform.h"

#include "browser/gui/commentform.h"
#include "browser/gui/errorrows.h"
#include "browser/gui/maskform.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QThread>
#include <QToolButton>
#include <QTreeView>

#include <exception>
#include <system_error>
#include <thread>

namespace kx {

namespace {

// The viewer's own settings (on Linux ~/.config/fentaro/fentaro-light.conf).
const QString kSettingsOrganisation = QStringLiteral("fentaro");
const QString kSettingsApplication = QStringLiteral("fentaro-light");
const QString kLastOpenFolder = QStringLiteral("open/lastFolder");

QString rememberedOpenFolder() {
    const QSettings settings(kSettingsOrganisation, kSettingsApplication);
    const QString folder = settings.value(kLastOpenFolder).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void rememberOpenFolder(const QString& folder) {
    QSettings settings(kSettingsOrganisation, kSettingsApplication);
    settings.setValue(kLastOpenFolder, folder);
}

// Runs f on the thread of `context` (at once when that is this thread).
template <class F> void onThreadOf(QObject* context, F&& f) {
    if (QThread::currentThread() == context->thread())
        f();
    else
        QMetaObject::invokeMethod(context, std::forward<F>(f), Qt::QueuedConnection);
}

} // namespace

std::string TInfoFileForm::localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// ---------------------------------------------------------------- jobs

void TInfoFileForm::runInBackground(const std::function<void()>& work) {
    std::exception_ptr failure;
    QEventLoop loop;
    std::atomic<bool> done{false};
    m_busy = true;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            done = true;
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error& e) {
        m_busy = false;
        throw Error(ErrorCode::threadFailed, {}, e.code().value());
    }
    // The window keeps painting; commands, drops and closes are turned away while m_busy is set.
    // A quit of the whole program also ends this loop: the job is still waited for below.
    if (!done) loop.exec();
    worker.join();
    m_busy = false;
    if (failure) std::rethrow_exception(failure);
}

bool TInfoFileForm::runWithProgress(const QString& caption, const std::function<void()>& work) {
    setEnabled(false);
    m_progress.showProgress(caption);
    std::exception_ptr failure;
    try {
        runInBackground(work);
    } catch (...) {
        failure = std::current_exception();
    }
    // What the worker posted last is delivered while what it refers to still exists.
    QCoreApplication::sendPostedEvents(this);
    const bool cancelled = m_progress.abortFlag();
    if (!cancelled) m_progress.closeProgress();
    m_progress.abortFlag() = false;
    setEnabled(true);
    if (failure) std::rethrow_exception(failure);
    return cancelled;
}

// ---------------------------------------------------------------- messages

void TInfoFileForm::showMessage(const QString& text, UserDialogs::Icon icon) {
    const QString caption = icon == UserDialogs::Icon::Error ? m_tables.message(ui::Msg::errorTitle)
                                                             : ui::applicationTitle();
    m_dialogs->message(this, icon, caption, text);
}

QString TInfoFileForm::errorMessage(const Error& e) const {
    return m_tables.message(messageRowOf(e.code()));
}

QString TInfoFileForm::errorWithPath(const Error& e) const {
    QString text = errorMessage(e);
    if (!e.path().empty()) text += QStringLiteral(" - ") + QFile::decodeName(e.path().c_str());
    return text;
}

void TInfoFileForm::showError(const Error& e) {
    showMessage(errorWithPath(e), UserDialogs::Icon::Error);
}

bool TInfoFileForm::runAndTell(const QString& caption, const std::function<void()>& work) {
    try {
        return runWithProgress(caption, work);
    } catch (const Error& e) {
        showMessage(errorMessage(e), UserDialogs::Icon::Error);
        return false;
    }
}

// ---------------------------------------------------------------- close

bool TInfoFileForm::settleUnsavedChanges() {
    if (!root() || !listModified()) return true;
    switch (m_dialogs->question(this, m_tables.message(ui::Msg::questionTitle),
                                m_tables.message(ui::Msg::saveChanges), true)) {
    case UserDialogs::Answer::Yes:
        return spbtSaveClick(nullptr);
    case UserDialogs::Answer::No:
        return true;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

bool TInfoFileForm::FormCloseQuery() {
    return settleUnsavedChanges();
}

void TInfoFileForm::closeEvent(QCloseEvent* e) {
    // While a job runs the close is turned away without a question; a failure in the question
    // keeps the window open.
    bool mayClose = false;
    guarded([&] { mayClose = FormCloseQuery(); });
    if (mayClose)
        e->accept();
    else
        e->ignore();
}

// ---------------------------------------------------------------- open

void TInfoFileForm::spbtOpenClick(QWidget* initiator) {
    QString chosen;
    if (m_openFromCommandLine) {
        m_openFromCommandLine = false;
        chosen = m_commandLineFile;
    } else {
        prepareForOpen();
        if (m_openDropped) {
            m_openDropped = false;
            chosen = m_droppedFile;
        } else {
            // The open list's folder, else the folder the dialog was last left in.
            const QString dir = m_listFilePath.isEmpty() ? rememberedOpenFolder()
                                                         : QFileInfo(m_listFilePath).absolutePath();
            chosen =
                m_dialogs->getOpenFileName(this, m_tables.caption(ui::Cap::open), dir,
                                           qtFileFilter(m_tables.caption(ui::Cap::listFileFilter)));
            if (chosen.isEmpty()) return;
            rememberOpenFolder(QFileInfo(chosen).absolutePath());
        }
    }
    // Unsaved marks and comments are never dropped without asking.
    if (!settleUnsavedChanges()) return;
    openChosenFile(chosen, initiator);
}

void TInfoFileForm::clearDocumentViews() {
    m_nav.clear();
    m_model->clear();
    // Every list opens in its own order.
    m_model->setSortOrder(-1, Qt::AscendingOrder);
    showSortIndicator();
    m_allSummary.reset();
    m_shownSummary.reset();
    m_folders->setRoot(nullptr, QString());
}

void TInfoFileForm::openChosenFile(const QString& chosen, QWidget* initiator) {
    const std::string path = localPath(chosen);
    m_initiator = initiator;
    ui::TOpenSaveForm busy(this, initiator == spbtOpen ? m_tables.caption(ui::Cap::loadingData)
                                                       : QString());
    busy.showAndPaint();
    setEnabled(false);

    // The list is read on a worker thread; the one open so far stays until it is replaced.
    std::unique_ptr<Document> doc;
    bool readStarted = false;
    try {
        QThread* home = thread();
        runInBackground([&] {
            doc = Document::open(path, &readStarted);
            doc->moveToThread(home); // it lives with the window from now on
        });
    } catch (const Error& e) {
        busy.close();
        setEnabled(true);
        // A list whose reading had begun has taken the place of the old one, which is gone.
        if (readStarted) {
            clearDocumentViews();
            m_doc.reset();
            m_listFilePath = chosen;
            listChangedForSummary();
        }
        setBackHint();
        updateForwardHint();
        if (e.code() == ErrorCode::emptyList || e.code() == ErrorCode::brokenList)
            showMessage(errorMessage(e), UserDialogs::Icon::Error);
        else
            showMessage(m_tables.message(ui::Msg::unpackFailed) + QStringLiteral(" - ") +
                            errorMessage(e) + QStringLiteral(" - ") + chosen,
                        UserDialogs::Icon::Error);
        return;
    }
    busy.close();
    setEnabled(true);
    setDocument(std::move(doc), chosen);
}

void TInfoFileForm::setDocument(std::unique_ptr<Document> doc, const QString& path) {
    clearDocumentViews();
    m_doc = std::move(doc);
    m_listFilePath = path;
    listChangedForSummary(); // nothing of the list before may stay in the summary
    connect(m_doc.get(), &Document::changed, m_model, &DetailModel::rowsChanged);
    connect(m_doc.get(), &Document::changed, this, [this] { listChangedForSummary(); });
    const QString rootText = QFileInfo(path).fileName();
    m_folders->setRoot(root(), rootText);
    m_nav.setRegroup([this](const Entry* folder) {
        if (m_doc) m_doc->regroup(const_cast<Entry*>(folder));
    });
    applyMove(m_nav.start(root(), rootText));
}

bool TInfoFileForm::openDroppedFiles(const QStringList& paths) {
    for (const QString& p : paths) {
        const QString name = QFileInfo(p).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || name.mid(dot) != QLatin1String(".kx")) continue;
        m_openDropped = true;
        m_droppedFile = p;
        spbtOpenClick(this);
        return true;
    }
    return false;
}

void TInfoFileForm::dragEnterEvent(QDragEnterEvent* e) {
    // The file is only read: the drag source is told it was copied, never moved.
    if (m_busy || !e->mimeData()->hasUrls() || !(e->possibleActions() & Qt::CopyAction)) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void TInfoFileForm::dropEvent(QDropEvent* e) {
    if (m_busy || !(e->possibleActions() & Qt::CopyAction)) {
        e->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    e->setDropAction(Qt::CopyAction);
    e->accept();
    guarded([&] { openDroppedFiles(paths); });
}

// ---------------------------------------------------------------- save

bool TInfoFileForm::spbtSaveClick(QWidget* initiator) {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::nothingToSave));
        return false;
    }
    if (m_busy) return false;
    m_initiator = initiator;
    bool complete = false;
    QString failure;
    // A list changed on disk since it was read is overwritten only when the user says so.
    for (bool overwriteChanged = false;;) {
        bool busyCursor = false;
        bool changedOnDisk = false;
        try {
            const Progress progress = m_progress.callback();
            runWithProgress(m_tables.message(ui::Msg::saveProgress), [&] {
                complete = m_doc->save(
                    progress,
                    [&] {
                        onThreadOf(this, [&busyCursor] {
                            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
                            busyCursor = true;
                        });
                    },
                    overwriteChanged);
            });
        } catch (const Error& e) {
            changedOnDisk = e.code() == ErrorCode::changedOnDisk;
            failure = errorMessage(e);
        } catch (const std::exception&) {
            failure = m_tables.message(ui::Msg::unexpectedError);
        }
        if (busyCursor) QGuiApplication::restoreOverrideCursor();
        if (!changedOnDisk || overwriteChanged) break;
        if (m_dialogs->question(this, m_tables.message(ui::Msg::questionTitle),
                                m_tables.message(ui::Msg::overwriteChanged),
                                false) != UserDialogs::Answer::Yes)
            return false;
        overwriteChanged = true;
        failure.clear();
    }
    if (!failure.isEmpty()) {
        showMessage(m_tables.message(ui::Msg::saveFailed) + QStringLiteral(" - ") + failure,
                    UserDialogs::Icon::Error);
        return false;
    }
    if (!complete) {
        showMessage(m_tables.message(ui::Msg::saveCancelled));
        return false;
    }
    refreshCatalogue();
    return true;
}

} // namespace kx
