// The progress counter, the progress window with its abort flag, and the busy panel.
#include "support/gui/progress.h"

#include "listfile/innerlist.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

using kx::ui::Progress;
using kx::ui::ProgressCounter;

namespace {

// A root with `below` Entries under it: a few folders, each holding a run of files.
std::unique_ptr<kx::EntryTree> makeTree(int below) {
    auto tree = std::make_unique<kx::EntryTree>();
    kx::Entry* root = tree->newEntry();
    root->record[kx::rec::kind] = kx::kFolder;
    tree->setRoot(root);
    kx::Entry* folder = root;
    for (int i = 0; i < below; ++i) {
        kx::Entry* e = tree->newEntry();
        const bool newFolder = i % 40 == 0;
        e->record[kx::rec::kind] = newFolder ? kx::kFolder : kx::kFile;
        kx::Entry* parent = newFolder ? root : folder;
        e->parent = parent;
        parent->children.push_back(e);
        if (newFolder) folder = e;
    }
    return tree;
}

// Steps a fresh counter `steps` times and returns where the bar ends.
int positionAfter(std::int32_t total, int steps) {
    ProgressCounter c;
    c.total = total;
    for (int i = 0; i < steps; ++i)
        c.step();
    return c.position();
}

std::size_t recordsIn(const kx::StringSink& sink) {
    return sink.data().size() / kx::kRecordSize;
}

} // namespace

TEST(ProgressCounter, RoundsHalvesToEven) {
    struct Case {
        std::int32_t total;
        int steps;
        int position;
    } cases[] = {
        {200, 1, 0},     // 0.5
        {200, 3, 2},     // 1.5
        {200, 5, 2},     // 2.5
        {200, 7, 4},     // 3.5
        {200, 199, 100}, // 99.5
        {8, 1, 12},      // 12.5
        {8, 3, 38},      // 37.5
        {3, 1, 33},         {3, 2, 67},      {1000, 5, 0},
        {1000, 15, 2},      {200, 200, 100}, {200, 201, 100}, // the root of a save is one step more
        {0, 1, 100},        {0, 5, 100}, // nothing below the root: full at once
        {2147483647, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.total) + "/" + std::to_string(c.steps));
        EXPECT_EQ(positionAfter(c.total, c.steps), c.position);
    }
}

TEST(ProgressCounter, ReportsOnlyChangesAndEndsFull) {
    auto tree = makeTree(200);
    ProgressCounter c;
    c.countProgressTotal(tree->root());
    ASSERT_EQ(c.total, 200);
    int updates = 0, last = -1;
    for (int i = 0; i < 200; ++i) {
        const int p = c.step();
        if (p < 0) continue;
        ++updates;
        EXPECT_GT(p, last);
        last = p;
    }
    EXPECT_LE(updates, 101);
    EXPECT_EQ(last, 100);
    EXPECT_EQ(c.step(), -1); // a step beyond the total leaves the full bar alone
    EXPECT_EQ(c.position(), 100);

    ProgressCounter empty;
    empty.countProgressTotal(makeTree(0)->root());
    EXPECT_EQ(empty.total, 0);
    EXPECT_EQ(empty.step(), 100);
    EXPECT_EQ(empty.step(), -1);
}

TEST(ProgressCounter, AbortStopsCounting) {
    ProgressCounter c;
    c.total = 10;
    c.step();
    c.abort = true;
    EXPECT_EQ(c.step(), -1);
    EXPECT_EQ(c.done, 1);
    EXPECT_EQ(c.position(), 10);
}

TEST(ProgressCounter, TotalAddsUp) {
    auto tree = makeTree(50);
    ProgressCounter c;
    c.countProgressTotal(tree->root());
    c.countProgressTotal(tree->root()->children.front());
    c.countProgressTotal(nullptr);
    EXPECT_EQ(c.total, 50 + 39);
}

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
    Progress p(&owner);
    p.countProgressTotal(tree->root());
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
    // The writer also writes the root: one step more than the total.
    EXPECT_TRUE(kx::writeEntry(tree->root(), sink, p.writeProgress()));
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
    Progress p(&owner);
    p.countProgressTotal(tree->root());
    p.showProgress("Export to text file");
    QPointer<kx::ui::TProgressForm> form = p.form();

    // The close arrives like a click on the close box: queued, seen when the bar next moves.
    int steps = 0;
    kx::WriteProgress progress = p.writeProgress();
    kx::WriteProgress wrapped{[&] {
                                  if (++steps == 100)
                                      QMetaObject::invokeMethod(form, &QWidget::close,
                                                                Qt::QueuedConnection);
                                  progress.step();
                              },
                              progress.abort};
    kx::StringSink sink;
    EXPECT_FALSE(kx::writeEntry(tree->root(), sink, wrapped));
    EXPECT_TRUE(p.abortFlag());
    EXPECT_GT(recordsIn(sink), 100u);
    EXPECT_LT(recordsIn(sink), 110u);
    EXPECT_EQ(recordsIn(sink), static_cast<std::size_t>(p.counter.done));

    // Further steps neither count nor touch the window.
    const int done = p.counter.done;
    p.stepProgress();
    EXPECT_EQ(p.counter.done, done);

    // The closed window goes away by itself; closing it again is harmless.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(p.form(), nullptr);
    p.closeProgress();
    p.abortFlag() = false;
}

TEST_F(ProgressWindow, CloseFromInsideTheStepAndEscapeBothAbort) {
    auto tree = makeTree(200);
    Progress p(&owner);
    p.countProgressTotal(tree->root());
    p.showProgress("Saving KX-file");
    int steps = 0;
    kx::WriteProgress progress = p.writeProgress();
    kx::WriteProgress wrapped{[&] {
                                  if (++steps == 50) p.form()->close();
                                  progress.step();
                              },
                              progress.abort};
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
    panel.showAndPaint();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.size(), QSize(214, 64));
    EXPECT_EQ(panel.ProgressPanel->text(), "Loading Data...");
    EXPECT_EQ(panel.ProgressPanel->geometry(), panel.rect());
    EXPECT_TRUE(panel.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(panel.frameGeometry().center(), owner.frameGeometry().center());
    panel.close();
    EXPECT_FALSE(panel.isVisible());
}
