// Worker threads that cannot start: this test program puts its own pthread_create in front of
// the C library's, so that starting a thread fails with EAGAIN while a test asks for it. The
// open and the save then do the threads' work on the calling thread, with the same result.
#include "common/fixtures.h"
#include "faults_helpers.h"

#include "listfile/listfile.h"
#include "listfile/scan.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <pthread.h>

namespace {

std::atomic<bool> refuseThreads{false};
std::atomic<int> refused{0};

} // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) {
    if (refuseThreads) {
        ++refused;
        return EAGAIN;
    }
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    return real(thread, attr, start, arg);
}

namespace {

using namespace kxfault;

std::size_t centralDirectory(const std::string& zip) {
    const auto* end = reinterpret_cast<const unsigned char*>(zip.data() + zip.size() - 22);
    return std::size_t(end[16]) | std::size_t(end[17]) << 8 | std::size_t(end[18]) << 16;
}

// Opens `list` (its entry is large enough for the inflate thread), saves it to `out` (large
// enough for several deflate threads where the machine has several cores) and returns the
// archive without its DOS times, which follow the clock.
std::string openAndSave(const std::string& list, const std::string& out) {
    kx::ListContainer container;
    auto tree = kx::openListFile(container, list);
    EXPECT_TRUE(kx::saveListFile(container, *tree, out));
    std::string zip = kxtest::readFile(out);
    zip.replace(10, 4, 4, '\0');
    zip.replace(centralDirectory(zip) + 12, 4, 4, '\0');
    return zip;
}

TEST(ThreadFaults, OpenAndSaveWorkOnTheCallingThreadWhenNoThreadStarts) {
    ScratchDir dir;
    const std::string list = dir / "big.kx";
    kx::writeNewListFile(*generatedTree(30000), list); // an 18 MB inner list
    const std::string out = dir / "out.kx";
    const std::string withThreads = openAndSave(list, out);

    refuseThreads = true;
    const std::string alone = openAndSave(list, out);
    // A damaged list is still found out, on the calling thread.
    std::string bytes = kxtest::readFile(list);
    bytes[14] ^= 1; // the CRC in the local header and in the directory
    bytes[centralDirectory(bytes) + 16] ^= 1;
    kxtest::writeFile(dir / "damaged.kx", bytes);
    kx::ErrorCode code = kx::ErrorCode::other;
    try {
        kx::ListContainer container;
        kx::openListFile(container, dir / "damaged.kx");
    } catch (const kx::Error& e) {
        code = e.code();
    }
    refuseThreads = false;

    EXPECT_GT(refused.load(), 0);
    EXPECT_TRUE(alone == withThreads);
    EXPECT_EQ(code, kx::ErrorCode::crcMismatch);
}

} // namespace
