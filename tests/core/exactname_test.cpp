// Exact names after the name field's NUL: what a scan writes for names the code page cannot hold,
// that the tag is found only where it is sound, and that Entries keep and give back both forms.
#include "common/fixtures.h"
#include "listfile/exactname.h"
#include "listfile/zip/crc32.h"
#include "query/filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using kx::NameFit;

namespace {

struct Field {
    std::uint8_t bytes[kx::rec::nameSize];
};

Field fieldOf(std::string_view systemName, NameFit* fit = nullptr) {
    std::uint8_t r[kx::kRecordSize];
    std::memset(r, 0xAB, sizeof r); // whatever was there before is overwritten
    const NameFit f = kx::setNameField(r, systemName);
    if (fit) *fit = f;
    Field out;
    std::memcpy(out.bytes, r + kx::rec::name, sizeof out.bytes);
    EXPECT_EQ(r[kx::rec::nameSize], 0xAB) << "only the name field is written";
    return out;
}

std::string_view ansiIn(const Field& f) {
    return kx::fieldText(f.bytes, 0, kx::rec::nameSize);
}

// A tag laid out by hand: `ansi`, NUL, magic, length, `exact`, CRC-32 of everything before it.
Field handTag(std::string_view ansi, std::string_view exact) {
    Field f{};
    std::size_t at = 0;
    auto put = [&](std::string_view s) {
        std::memcpy(f.bytes + at, s.data(), s.size());
        at += s.size();
    };
    put(ansi);
    put(std::string_view("\0\x1EXN\x01", 5));
    f.bytes[at++] = std::uint8_t(exact.size());
    put(exact);
    const std::uint32_t crc = kx::crc32Update(0, f.bytes, at);
    for (int i = 0; i < 4; ++i)
        f.bytes[at++] = std::uint8_t(crc >> (8 * i));
    return f;
}

std::string repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

} // namespace

TEST(ExactName, NamesAreWrittenInTheirNearestCodePageFormAndTaggedWhereThatIsNotExact) {
    const std::string fits120 = repeat("\xC3\xA9", 60);        // é x 60: 120 bytes
    const std::string long255 = repeat("\xC3\xA9", 127) + "x"; // 255 bytes
    const struct {
        std::string name;
        NameFit fit;
        std::string ansi;
    } cases[] = {
        {"plain.txt", NameFit::exact, "plain.txt"},
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt", NameFit::exact, // Привет
         "\xCF\xF0\xE8\xE2\xE5\xF2.txt"},
        {"\xE2\x84\x96 1", NameFit::exact, "\xB9 1"}, // № is in the code page
        {"", NameFit::exact, ""},
        {"caf\xC3\xA9.txt", NameFit::tagged, "caf?.txt"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.mp3", NameFit::tagged, "??.mp3"}, // 日本
        {"\xE4\xB8\xAD\xE6\x96\x87.mp3", NameFit::tagged, "??.mp3"}, // 中文
        {"a\\b", NameFit::tagged, "a_b"},
        {"bad\xFF\xFE", NameFit::tagged, "bad??"},
        {"bad\xFE\xFF", NameFit::tagged, "bad??"},
        {"x\xC0\xAF", NameFit::tagged, "x??"},              // an overlong '/'
        {"\xED\xA0\x80", NameFit::tagged, "???"},           // a surrogate is no UTF-8
        {"\xF0\x9F\x98\x80.png", NameFit::tagged, "?.png"}, // one character, one '?'
        {"?", NameFit::exact, "?"},
        {fits120, NameFit::tagged, repeat("?", 60)},
        {long255, NameFit::inexact, repeat("?", 127) + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NameFit fit{};
        const Field f = fieldOf(c.name, &fit);
        EXPECT_EQ(fit, c.fit);
        EXPECT_EQ(ansiIn(f), c.ansi);
        EXPECT_EQ(kx::codePageForm(c.name), c.ansi);
        const auto exact = kx::exactNameIn(f.bytes);
        if (c.fit == NameFit::tagged) {
            ASSERT_TRUE(exact);
            EXPECT_EQ(*exact, c.name);
        } else {
            EXPECT_FALSE(exact);
            // Nothing follows the code-page form's NUL.
            for (std::size_t i = c.ansi.size(); i < kx::rec::nameSize; ++i)
                ASSERT_EQ(f.bytes[i], 0) << i;
        }
    }
}

TEST(ExactName, TheTagIsTheDocumentedLayout) {
    const Field written = fieldOf("caf\xC3\xA9");
    const Field hand = handTag("caf?", "caf\xC3\xA9");
    EXPECT_EQ(std::memcmp(written.bytes, hand.bytes, sizeof hand.bytes), 0);
}

TEST(ExactName, BytesAfterTheNulThatAreNoSoundTagAreNotTakenForOne) {
    const Field good = fieldOf("caf\xC3\xA9.txt");
    ASSERT_TRUE(kx::exactNameIn(good.bytes));
    const std::size_t tagEnd = 9 + 5 + 9 + 4;
    // Any one byte changed from the code-page form to the CRC's end.
    for (std::size_t i = 0; i < tagEnd; ++i) {
        Field f = good;
        f.bytes[i] ^= 0x20;
        EXPECT_FALSE(kx::exactNameIn(f.bytes)) << "byte " << i;
    }
    // Sound CRCs around names that disagree: the stored form is not the exact name's form, the
    // exact name is the code-page form itself, a NUL inside, a length running off the field.
    EXPECT_FALSE(kx::exactNameIn(handTag("cafe", "caf\xC3\xA9").bytes));
    EXPECT_FALSE(kx::exactNameIn(handTag("abc", "abc").bytes));
    EXPECT_FALSE(kx::exactNameIn(handTag("a??", std::string_view("a\0\xFF", 3)).bytes));
    EXPECT_FALSE(kx::exactNameIn(handTag("", "").bytes));
    Field runsOff = handTag(repeat("?", 200), repeat("\xE2\x82\xAC", 14)); // € x 14
    runsOff.bytes[201 + 4] = 60;
    EXPECT_FALSE(kx::exactNameIn(runsOff.bytes));
    // Noise after the NUL, as lists made by other programs hold, with and without the magic.
    std::mt19937 rng(77);
    for (int round = 0; round < 2000; ++round) {
        Field f{};
        for (auto& b : f.bytes)
            b = std::uint8_t(rng());
        const std::size_t nul = rng() % 40;
        f.bytes[nul] = 0;
        if (round % 2) std::memcpy(f.bytes + nul + 1, "\x1EXN\x01", 4);
        EXPECT_FALSE(kx::exactNameIn(f.bytes)) << round;
    }
    // A field without a NUL.
    Field full;
    std::memset(full.bytes, 'a', sizeof full.bytes);
    EXPECT_FALSE(kx::exactNameIn(full.bytes));
}

TEST(ExactName, EntriesGiveBothFormsAndKeepEveryByteThroughEditsAndReading) {
    kxtest::TreeBuilder t;
    kx::Entry* cafe = t.file(t.root(), "x").systemName("caf\xC3\xA9.txt");
    kx::Entry* bad1 = t.file(t.root(), "x").systemName("bad\xFF\xFE");
    kx::Entry* bad2 = t.file(t.root(), "x").systemName("bad\xFE\xFF");
    kx::Entry* plain = t.file(t.root(), "x").systemName("plain");
    EXPECT_EQ(cafe->name(), "caf?.txt");
    EXPECT_EQ(cafe->exactName(), "caf\xC3\xA9.txt");
    EXPECT_EQ(bad1->name(), bad2->name());
    EXPECT_NE(bad1->exactName(), bad2->exactName());
    EXPECT_EQ(plain->exactName(), std::nullopt);
    EXPECT_EQ(kx::nameText(*cafe), QString::fromUtf8("caf\xC3\xA9.txt"));
    EXPECT_EQ(kx::nameUtf8(*bad2), "bad\xFE\xFF");
    EXPECT_EQ(kx::nameText(*bad1), QString::fromUtf8("bad\xFF\xFE"));
    EXPECT_EQ(kx::nameUtf8(*plain), "plain");

    // A mark and a comment leave the name field alone; a name changed by hand drops the tag.
    cafe->setMark(2);
    cafe->setComment("c");
    EXPECT_EQ(cafe->exactName(), "caf\xC3\xA9.txt");
    const std::string before = kxtest::innerList(t.tree());
    auto back = kxtest::readBack(t.tree());
    EXPECT_EQ(kxtest::innerList(*back), before);
    EXPECT_EQ(back->root()->children()[1]->exactName(), "bad\xFF\xFE");
    plain->patchRecord(kx::rec::name, "caf", 3);
    EXPECT_EQ(plain->exactName(), std::nullopt);
    cafe->patchRecord(kx::rec::name, "cafe", 4);
    EXPECT_EQ(cafe->name(), "cafe.txt");
    EXPECT_EQ(cafe->exactName(), std::nullopt);
}

TEST(ExactName, SearchMatchesExactNamesByUnicodeCaseAndCodePageNamesAsBefore) {
    kxtest::TreeBuilder t;
    t.file(t.root(), "x").systemName("caf\xC3\xA9.txt");
    t.file(t.root(), "x").systemName("\xE6\x97\xA5\xE6\x9C\xAC.mp3");
    t.file(t.root(), "CAF?.doc");             // a name scanned before exact names were kept
    t.file(t.root(), "\xF4\xE0\xE9\xEB.txt"); // "файл" in the code page
    const struct {
        const char* typed;
        bool glob;
        std::vector<std::string> found; // names as shown
    } cases[] = {
        {"caf\xC3\xA9", false, {"caf\xC3\xA9.txt"}},
        {"CAF\xC3\x89", false, {"caf\xC3\xA9.txt"}},
        {"caf", false, {"caf\xC3\xA9.txt", "CAF?.doc"}},
        {"?", false, {"CAF?.doc"}}, // a '?' of a code-page form is not in the exact name
        {"\xE6\x97\xA5", false, {"\xE6\x97\xA5\xE6\x9C\xAC.mp3"}},
        {"\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B", false, {"\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt"}},
        {"*.TXT", true, {"caf\xC3\xA9.txt", "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt"}},
        {"CAF?.*", true, {"caf\xC3\xA9.txt", "CAF?.doc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        kx::EntryFilter filter;
        filter.setMaskText(c.typed);
        filter.glob = c.glob;
        std::vector<std::string> found;
        for (const kx::Entry* e : kx::searchFiltered(t.root(), filter).entries)
            found.push_back(kx::nameUtf8(*e));
        EXPECT_EQ(found, c.found);
    }
}
