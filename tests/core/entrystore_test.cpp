// The compact entry store: records full of odd bytes come back exactly, across the packed blocks,
// after marks and comments and through a real save of the list file; one writer and readers on
// several threads.
#include "browser/document.h"
#include "common/fixtures.h"
#include "listfile/innerlist.h"
#include "listfile/listfile.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

using namespace kxtest;

namespace {

// A record whose every byte is noise, apart from what keeps the tree's shape: the name has no
// backslash (a save would clear it), and lastChild says `children` (or, for a leaf, -1 or an odd
// negative count that stores no children).
std::string noisyRecord(std::mt19937& rng, std::int32_t children) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string r(kx::kRecordSize, '\0');
    for (char& c : r)
        c = char(byte(rng));
    const int nameLength = byte(rng) == 0 ? 256 : byte(rng) % 40;
    for (int i = 0; i < 256; ++i) {
        if (i < nameLength) {
            if (r[i] == '\0' || r[i] == '\\') r[i] = 'n';
        } else if (i == nameLength) {
            r[i] = '\0'; // the bytes after it stay noise
        }
    }
    if (byte(rng) < 128) r[kx::rec::comment] = '\0'; // half have no comment, noise after the NUL
    if (byte(rng) < 128) {
        // A size that is an exact whole number, as most lists hold.
        kx::uint64ToExtended(std::uint64_t(byte(rng)) << 20,
                             reinterpret_cast<std::uint8_t*>(&r[kx::rec::size]));
    }
    std::int32_t lastChild = children - 1;
    if (children == 0 && byte(rng) < 64) lastChild = -2 - byte(rng);
    kx::writeI32(reinterpret_cast<std::uint8_t*>(&r[0]), kx::rec::lastChild, lastChild);
    return r;
}

struct NoisyList {
    std::string inner;                 // header and records as the file holds them
    std::vector<std::size_t> offsetOf; // record offset by Entry id (file order)
};

// A root with 300 children, the second of which is a folder of 70: more than one packed block
// and an unfilled one at the end.
NoisyList noisyList() {
    std::mt19937 rng(1512);
    NoisyList l;
    l.inner = header("noisy list");
    auto add = [&](std::int32_t children) {
        l.offsetOf.push_back(l.inner.size());
        l.inner += noisyRecord(rng, children);
    };
    add(300);
    for (int i = 0; i < 300; ++i) {
        add(i == 1 ? 70 : 0);
        if (i == 1)
            for (int k = 0; k < 70; ++k)
                add(0);
    }
    std::memcpy(&l.inner[l.offsetOf[0]], "root\0", 5);
    return l;
}

// What the inner list must read after edits: the original bytes with each Entry's mark, markCount
// and comment field as the Entry now says.
std::string expectedAfterEdits(const NoisyList& l, const kx::EntryTree& t) {
    std::string out = l.inner;
    for (std::uint32_t id = 0; id < t.entryCount(); ++id) {
        const kx::Entry* e = t.at(id);
        auto* r = reinterpret_cast<std::uint8_t*>(&out[l.offsetOf[id]]);
        r[kx::rec::mark] = e->mark();
        kx::writeI32(r, kx::rec::markCount, e->markCount());
        e->copyCommentField(r + kx::rec::comment);
    }
    return out;
}

std::string innerOfFile(const std::string& path) {
    kx::ListContainer c;
    auto source = c.openEntry(path);
    std::string bytes(source->remaining(), '\0');
    bytes.resize(source->read(bytes.data(), bytes.size()));
    source->verify();
    return bytes;
}

} // namespace

TEST(EntryStore, OddRecordsComeBackExactlyAfterEditsInPackedAndOpenBlocks) {
    const NoisyList l = noisyList();
    kx::MemorySource src(l.inner.data(), l.inner.size());
    auto t = kx::readInnerList(src);
    ASSERT_EQ(t->entryCount(), l.offsetOf.size());
    for (std::uint32_t id = 0; id < t->entryCount(); ++id) {
        std::uint8_t r[kx::kRecordSize];
        t->at(id)->copyRecord(r);
        ASSERT_EQ(std::memcmp(r, &l.inner[l.offsetOf[id]], kx::kRecordSize), 0) << id;
        ASSERT_EQ(t->at(id)->id(), id);
    }

    // Edits in the first packed block, a later one, and the unfilled block at the end.
    std::uint8_t field[kx::rec::commentSize];
    for (std::size_t i = 0; i < sizeof field; ++i)
        field[i] = std::uint8_t(i * 7 + 1);
    const std::uint32_t last = std::uint32_t(t->entryCount() - 1);
    t->at(5)->setCommentField(field);
    t->at(70)->setComment("a new comment");
    t->at(last)->setComment("");
    t->at(130)->setMark(1);
    t->at(130)->setMarkCount(-77);
    EXPECT_TRUE(t->at(5)->hasComment());
    EXPECT_FALSE(t->at(last)->hasComment());
    EXPECT_EQ(t->at(70)->comment(), "a new comment");

    kx::StringSink sink;
    ASSERT_TRUE(kx::writeInnerList(*t, sink));
    EXPECT_EQ(sink.data(), expectedAfterEdits(l, *t));
}

TEST(EntryStore, MarksAndCommentsThroughASaveKeepEveryOtherByte) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("noisy.kx").toStdString();
    const NoisyList l = noisyList();
    writeFile(path, zipOf("noisy", l.inner));

    auto doc = kx::Document::open(path);
    kx::Entry* root = doc->root();
    std::vector<kx::Entry*> some{root->children()[1], root->children()[7], root->children()[250]};
    doc->mark(some, kx::MarkCommand::Needed);
    doc->setComment(root->children()[9], "kept");
    // The open regrouped the root's children; the save writes them in that order, so the expected
    // bytes follow the same walk.
    std::string expected = header("noisy list");
    const std::string edited = expectedAfterEdits(l, doc->tree());
    auto append = [&](const kx::Entry* e) {
        expected.append(edited, l.offsetOf[e->id()], kx::kRecordSize);
        return true;
    };
    append(root);
    kx::walkBelow(root, append);

    ASSERT_TRUE(doc->save({}));
    EXPECT_EQ(innerOfFile(path), expected);
}

// The threads the store allows (see entry.h), in turns: a writer thread changes marks, counts and
// comments through the Entry's calls; then, while no write happens, it and a reader thread both
// read names, rows and records, as the window paints while a job reads. Each turn the reader must
// see every change of the turn before, though its cache of unpacked blocks was filled before
// them. Under ThreadSanitizer, the hand-overs between the turns are all the order there is.
TEST(EntryStore, OneWriterAndReadersOnOtherThreads) {
    const NoisyList l = noisyList();
    kx::MemorySource src(l.inner.data(), l.inner.size());
    auto t = kx::readInnerList(src);
    std::vector<std::string> names;
    for (std::uint32_t id = 0; id < t->entryCount(); ++id)
        names.emplace_back(t->at(id)->name());
    const auto changes = [](int turn, std::uint32_t id) {
        return (id + std::uint32_t(turn)) % 9 == 0;
    };
    const auto commentOf = [](int turn, std::uint32_t id) {
        return "turn " + std::to_string(turn) + " entry " + std::to_string(id);
    };
    // Reads the whole tree; the number of Entries whose name, mark, count or comment is not what
    // `turn` wrote.
    const auto readAll = [&](int turn) {
        int wrong = 0;
        std::size_t walked = 0;
        kx::walkBelow(t->root(), [&](const kx::Entry* e) {
            ++walked;
            std::uint8_t r[kx::kRecordSize];
            e->copyRecord(r);
            const std::uint32_t id = e->id();
            bool right =
                e->name() == names[id] && kx::fieldText(r, kx::rec::name, 256) == names[id];
            if (turn > 0 && changes(turn, id))
                right = right && r[kx::rec::mark] == turn % 3 &&
                        kx::readI32(r, kx::rec::markCount) == turn &&
                        e->comment() == commentOf(turn, id);
            wrong += right ? 0 : 1;
            return true;
        });
        return wrong + (walked + 1 == t->entryCount() ? 0 : 1);
    };

    constexpr int kTurns = 12;
    std::mutex m;
    std::condition_variable cv;
    int written = 0, read = -1; // the last turn written, the last turn the reader read
    int wrongForWriter = 0, wrongForReader = 0;
    std::thread writer([&] {
        for (int turn = 1; turn <= kTurns; ++turn) {
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return read == turn - 1; });
            }
            for (std::uint32_t id = 0; id < t->entryCount(); ++id) {
                if (!changes(turn, id)) continue;
                kx::Entry* e = t->at(id);
                e->setMark(std::uint8_t(turn % 3));
                e->setMarkCount(turn);
                e->setComment(commentOf(turn, id));
            }
            {
                std::lock_guard<std::mutex> lock(m);
                written = turn;
            }
            cv.notify_all();
            wrongForWriter += readAll(turn);
        }
    });
    std::thread reader([&] {
        for (int turn = 0; turn <= kTurns; ++turn) {
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return written == turn; });
            }
            wrongForReader += readAll(turn); // turn 0 fills its cache before the first edit
            {
                std::lock_guard<std::mutex> lock(m);
                read = turn;
            }
            cv.notify_all();
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(wrongForWriter, 0);
    EXPECT_EQ(wrongForReader, 0);
}
