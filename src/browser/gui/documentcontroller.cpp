// The main window's document: open, save, the questions, and the messages that tell what went
// wrong.
#include "browser/gui/documentcontroller.h"

#include "browser/gui/errorrows.h"

#include "browser/gui/catalogcontroller.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/navigationcontroller.h"
#include "browser/gui/searchcontroller.h"
#include "browser/gui/spacecontroller.h"
#include "listfile/listfile.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QThread>
#include <QToolButton>

#include <utility>

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

} // namespace

DocumentController::DocumentController(TInfoFileForm& window) : m_w(window) {}

std::string DocumentController::localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// ---------------------------------------------------------------- messages

QString DocumentController::errorMessage(const Error& e) const {
    return m_w.m_tables.message(messageRowOf(e.code()));
}

QString DocumentController::errorWithPath(const Error& e) const {
    QString text = errorMessage(e);
    if (!e.path().empty()) text += QStringLiteral(" - ") + QFile::decodeName(e.path().c_str());
    return text;
}

void DocumentController::showError(const Error& e) {
    m_w.showMessage(errorWithPath(e), UserDialogs::Icon::Error);
}

// ---------------------------------------------------------------- questions

bool DocumentController::settleUnsavedChanges(std::function<void()> afterSave) {
    if (!m_w.root() || !m_w.listModified()) return true;
    switch (m_w.m_dialogs->question(&m_w, m_w.m_tables.message(ui::Msg::questionTitle),
                                    m_w.m_tables.message(ui::Msg::saveChanges), true)) {
    case UserDialogs::Answer::Yes:
        save(std::move(afterSave));
        return false;
    case UserDialogs::Answer::No:
        return true;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

bool DocumentController::closeQuery() {
    return settleUnsavedChanges([this] { m_w.close(); });
}

// ---------------------------------------------------------------- open

void DocumentController::openOnFirstShow(const QString& path) {
    m_openFromCommandLine = true;
    m_commandLineFile = path;
}

void DocumentController::open(QWidget* initiator) {
    // A dropped or command-line file is taken now, once, whatever the question's answer.
    const bool fromCommandLine = std::exchange(m_openFromCommandLine, false);
    QString given;
    if (fromCommandLine)
        given = m_commandLineFile;
    else if (std::exchange(m_openDropped, false))
        given = m_droppedFile;
    // Unsaved marks and comments are never dropped without asking; asked first, so that Cancel
    // leaves everything as it was.
    const auto go = [this, initiator, given, fromCommandLine] {
        chooseAndOpen(initiator, given, fromCommandLine);
    };
    if (settleUnsavedChanges(go)) go();
}

void DocumentController::chooseAndOpen(QWidget* initiator, QString chosen, bool fromCommandLine) {
    if (!fromCommandLine) {
        m_w.prepareForOpen();
        if (chosen.isEmpty()) {
            // The open list's folder (while it is there: the catalogue's copy of a list may be
            // shown while its disk is away), else the folder the dialog was last left in.
            QString dir = m_w.m_listFilePath.isEmpty()
                              ? QString()
                              : QFileInfo(m_w.m_listFilePath).absolutePath();
            if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = rememberedOpenFolder();
            const ui::StringTables& t = m_w.m_tables;
            chosen =
                m_w.m_dialogs->getOpenFileName(&m_w, t.caption(ui::Cap::open), dir,
                                               qtFileFilter(t.caption(ui::Cap::listFileFilter)));
            if (chosen.isEmpty()) return;
            rememberOpenFolder(QFileInfo(chosen).absolutePath());
        }
    }
    openFile(chosen, initiator);
}

bool DocumentController::openDropped(const QStringList& paths) {
    for (const QString& p : paths) {
        const QString name = QFileInfo(p).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || name.mid(dot) != QLatin1String(".kx")) continue;
        m_openDropped = true;
        m_droppedFile = p;
        open(&m_w);
        return true;
    }
    return false;
}

void DocumentController::openFile(const QString& chosen, QWidget* initiator,
                                  std::function<void()> then) {
    const std::string path = localPath(chosen);
    const QString panelText =
        initiator == m_w.spbtOpen ? m_w.m_tables.caption(ui::Cap::loadingData) : QString();
    // The list is read whole on the worker thread; the one open so far stays, as it is, until
    // the new one has been read.
    QThread* home = m_w.thread();
    m_w.runBehindPanel(
        panelText, &m_w,
        [path, home] {
            std::unique_ptr<Document> doc = Document::open(path);
            doc->moveToThread(home); // it lives with the window from now on
            return doc;
        },
        [this, chosen, then](auto& outcome) {
            std::unique_ptr<Document> doc;
            try {
                doc = std::move(outcome.get());
            } catch (const Error& e) {
                openFailed(e, chosen);
                return;
            }
            setDocument(std::move(doc), chosen);
            if (then) then();
        });
}

void DocumentController::openFailed(const Error& e, const QString& chosen) {
    // An archive that cannot be unpacked leaves the open list as it was. A list that unpacks but
    // cannot be loaded has taken the place of the old one, which is closed.
    if (e.code() == ErrorCode::brokenList) {
        leaveReadOnly();
        clearDocumentViews();
        m_w.m_doc.reset();
        m_w.m_listFilePath = chosen;
        m_w.m_searchCtl->listChanged();
    }
    m_w.m_navigationCtl->setBackHint();
    m_w.updateForwardHint();
    const ui::StringTables& t = m_w.m_tables;
    QString text = errorMessage(e);
    if (e.code() != ErrorCode::emptyList && e.code() != ErrorCode::brokenList &&
        e.code() != ErrorCode::pathTooLong)
        text = t.message(ui::Msg::unpackFailed) + QStringLiteral(" - ") + text +
               QStringLiteral(" - ") + chosen;
    // A list damaged by a save cut short: the whole new list is beside it.
    if (const std::optional<std::string> kept = keptSaveAfterDamage(e.code(), localPath(chosen)))
        text += QStringLiteral(" - ") +
                t.message(ui::Msg::keptSave).arg(QFile::decodeName(kept->c_str()));
    m_w.showMessage(text, UserDialogs::Icon::Error);
}

void DocumentController::clearDocumentViews() {
    m_w.m_nav.clear();
    m_w.m_model->clear();
    // Every list opens in its own order.
    m_w.m_model->setSortOrder(-1, Qt::AscendingOrder);
    m_w.m_navigationCtl->showSortIndicator();
    m_w.m_searchCtl->forgetSummaries();
    m_w.m_spaceCtl->forgetList();
    m_w.m_folders->setRoot(nullptr, QString());
}

void DocumentController::leaveReadOnly() {
    m_w.setReadOnly(false);
    m_w.m_catalogCtl->leaveOffline();
}

void DocumentController::showReadOnly(std::unique_ptr<EntryTree> tree, const QString& path) {
    setDocument(std::make_unique<Document>(std::move(tree), localPath(path)), path);
    m_w.setReadOnly(true);
}

void DocumentController::setDocument(std::unique_ptr<Document> doc, const QString& path) {
    leaveReadOnly();
    clearDocumentViews();
    m_w.m_doc = std::move(doc);
    m_w.m_listFilePath = path;
    m_w.m_searchCtl->listChanged(); // nothing of the list before may stay in the summary
    connect(m_w.m_doc.get(), &Document::changed, m_w.m_model, &DetailModel::rowsChanged);
    connect(m_w.m_doc.get(), &Document::changed, this, [this] {
        m_w.m_searchCtl->listChanged();
        m_w.m_spaceCtl->listChanged();
    });
    const QString rootText = QFileInfo(path).fileName();
    m_w.m_folders->setRoot(m_w.root(), rootText);
    m_w.m_nav.setRegroup([this](const Entry* folder) {
        if (m_w.m_doc) m_w.m_doc->regroup(const_cast<Entry*>(folder));
    });
    m_w.m_navigationCtl->applyMove(m_w.m_nav.start(m_w.root(), rootText));
}

// ---------------------------------------------------------------- save

bool DocumentController::save(std::function<void()> afterSave) {
    if (m_w.readOnly()) return false; // the catalogue's copy has no file of its own to write
    if (!m_w.root()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::nothingToSave));
        return false;
    }
    saveOnce(false, std::move(afterSave));
    return true;
}

void DocumentController::saveOnce(bool overwriteChanged, std::function<void()> afterSave) {
    Document* doc = m_w.m_doc.get();
    const Progress progress = m_w.m_progress.callback();
    auto busyCursor = std::make_shared<bool>(false);
    TInfoFileForm* window = &m_w;
    m_w.runWithProgress(
        m_w.m_tables.message(ui::Msg::saveProgress),
        [doc, progress, overwriteChanged, busyCursor, window] {
            const auto beforePack = [busyCursor, window] {
                QMetaObject::invokeMethod(
                    window,
                    [busyCursor] {
                        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
                        *busyCursor = true;
                    },
                    Qt::QueuedConnection);
            };
            return doc->save(progress, beforePack, overwriteChanged);
        },
        [this, overwriteChanged, busyCursor, afterSave](bool, auto& outcome) {
            if (*busyCursor) QGuiApplication::restoreOverrideCursor();
            const ui::StringTables& t = m_w.m_tables;
            bool complete = false;
            bool changedOnDisk = false;
            QString failure;
            try {
                complete = outcome.get();
            } catch (const Error& e) {
                changedOnDisk = e.code() == ErrorCode::changedOnDisk;
                failure = errorMessage(e);
            } catch (const std::exception&) {
                failure = t.message(ui::Msg::unexpectedError);
            }
            // A list changed on disk since it was read is overwritten only when the user says so.
            if (changedOnDisk && !overwriteChanged) {
                if (m_w.m_dialogs->question(&m_w, t.message(ui::Msg::questionTitle),
                                            t.message(ui::Msg::overwriteChanged),
                                            false) == UserDialogs::Answer::Yes) {
                    saveOnce(true, afterSave);
                    return;
                }
            } else if (!failure.isEmpty()) {
                m_w.showMessage(t.message(ui::Msg::saveFailed) + QStringLiteral(" - ") + failure,
                                UserDialogs::Icon::Error);
            } else if (!complete) {
                m_w.showMessage(t.message(ui::Msg::saveCancelled));
            }
            const bool written = complete && failure.isEmpty();
            emit saveEnded(written);
            if (written) m_w.m_catalogCtl->refreshCatalogue(afterSave);
        });
}

} // namespace kx
