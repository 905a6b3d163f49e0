// The progress window with its abort flag, and the busy panel.
#include "support/gui/progress.h"

#include "common/treebuilder.h"
#include "listfile/innerlist.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using kx::ui::ProgressDisplay;

namespace {

std::unique_ptr<kx::EntryTree> makeTree(int below) {
    return kxtest::foldersOfFiles(below);
}

std::size_t recordsIn(const kx::StringSink& sink) {
    return sink.data().size() / kx::kRecordSize;
}

} // namespace

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override {
        owner.resize(640, 480);
        owner.show();
    }
    QWidget owner;
};

TEST_F(ProgressWindow, SaveWalkUpdatesAtMostOncePerPercentAndEndsFull) {
    auto tree = makeTree(200);
    ProgressDisplay p(&owner);
    p.showProgress("Saving KX-file");
    ASSERT_NE(p.form(), nullptr);
    EXPECT_TRUE(p.form()->isVisible());
    EXPECT_FALSE(p.form()->isModal());
    EXPECT_EQ(p.form()->windowTitle(), "Saving KX-file");
    EXPECT_EQ(p.form()->size(), QSize(410, 123));
    EXPECT_EQ(p.form()->pBar->geometry(), QRect(8, 48, 393, 17));
    EXPECT_EQ(p.form()->pBar->value(), 0);

    int moves = 0;
    QObject::connect(p.form()->pBar, &QProgressBar::valueChanged, [&moves] { ++moves; });
    kx::StringSink sink;
    EXPECT_TRUE(kx::writeEntry(tree->root(), sink, p.callback()));
    EXPECT_EQ(recordsIn(sink), 201u);
    EXPECT_LE(moves, 101);
    EXPECT_GE(moves, 100);
    EXPECT_EQ(p.form()->pBar->value(), 100);
    EXPECT_FALSE(p.abortFlag());

    p.closeProgress();
    EXPECT_EQ(p.form(), nullptr);
}

TEST_F(ProgressWindow, UserCloseInTheMiddleStopsTheWalk) {
    auto tree = makeTree(200);
    ProgressDisplay p(&owner);
    p.showProgress("Export to text file");
    QPointer<kx::ui::TProgressForm> form = p.form();

    // The walk runs on a worker thread as a job does; the close arrives like a click on the
    // close box, through this thread's event loop, and the walk stops at its next report.
    std::uint64_t reported = 0;
    const kx::Progress progress = p.callback();
    const auto wrapped = [&](std::uint64_t done, std::uint64_t total) {
        reported = done;
        const bool goesOn = progress(done, total);
        if (done == 100) {
            QMetaObject::invokeMethod(form, &QWidget::close, Qt::QueuedConnection);
            for (int i = 0; i < 5000 && !p.abortFlag(); ++i)
                QThread::msleep(1);
        }
        return goesOn;
    };
    kx::StringSink sink;
    bool written = true;
    std::atomic<bool> ended{false};
    std::thread walk([&] {
        written = kx::writeEntry(tree->root(), sink, wrapped);
        ended = true;
    });
    while (!ended)
        QTest::qWait(1);
    walk.join();
    QCoreApplication::sendPostedEvents(); // the bar positions the walk posted
    EXPECT_FALSE(written);
    EXPECT_TRUE(p.abortFlag());
    EXPECT_GE(recordsIn(sink), 100u);
    EXPECT_LT(recordsIn(sink), 110u);
    EXPECT_EQ(recordsIn(sink), reported);

    // Further reports neither move the bar nor touch the window, and say to stop.
    const int position = p.counter.position();
    EXPECT_FALSE(p.report(200, 201));
    EXPECT_EQ(p.counter.position(), position);

    // The closed window goes away by itself; closing it again is harmless.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(p.form(), nullptr);
    p.closeProgress();
    p.abortFlag() = false;
}

TEST_F(ProgressWindow, CloseFromInsideTheStepAndEscapeBothAbort) {
    auto tree = makeTree(200);
    ProgressDisplay p(&owner);
    p.showProgress("Saving KX-file");
    const kx::Progress progress = p.callback();
    const auto wrapped = [&](std::uint64_t done, std::uint64_t total) {
        if (done == 50) p.form()->close();
        return progress(done, total);
    };
    kx::StringSink sink;
    EXPECT_FALSE(kx::writeEntry(tree->root(), sink, wrapped));
    EXPECT_EQ(recordsIn(sink), 50u);
    EXPECT_TRUE(p.abortFlag());

    // A new operation starts with the flag clear; Escape in its window aborts it as well, even
    // though the main window is disabled while the operation runs.
    owner.setEnabled(false);
    p.showProgress("Saving KX-file");
    EXPECT_FALSE(p.abortFlag());
    ASSERT_NE(p.form(), nullptr);
    EXPECT_TRUE(p.form()->isEnabled());
    QTest::keyClick(p.form(), Qt::Key_Escape);
    EXPECT_TRUE(p.abortFlag());
    p.closeProgress();
}

TEST_F(ProgressWindow, BusyPanelShowsOneCentredLine) {
    kx::ui::TOpenSaveForm panel(&owner, "Loading Data...");
    panel.showCentred();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.size(), QSize(214, 64));
    EXPECT_EQ(panel.ProgressPanel->text(), "Loading Data...");
    EXPECT_EQ(panel.ProgressPanel->geometry(), panel.rect());
    EXPECT_TRUE(panel.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(panel.frameGeometry().center(), owner.frameGeometry().center());
    panel.close();
    EXPECT_FALSE(panel.isVisible());
}
