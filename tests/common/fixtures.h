// Small lists for tests: records and archives made byte by byte, trees made in memory, list
// files on disk.
#pragma once

#include "nodetree.h"
#include "treebuilder.h"

#include "listfile/io/error.h"
#include "support/progress.h"

#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kxtest {

// A one-entry ZIP made byte by byte: stored (method 0) or deflated (method 8).
std::string zipOf(std::string_view entryName, std::string_view data, int method = 8);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// The code of the kx::Error that `work` throws; nothing when it ends without one.
std::optional<kx::ErrorCode> errorOf(const std::function<void()>& work);

// A progress that keeps what it hears, and says to stop once `done` reaches `stopAt` (never
// when it is 0).
struct ProgressLog {
    std::vector<std::uint64_t> done;
    std::uint64_t total = 0;
    std::uint64_t stopAt = 0;
    kx::Progress callback() {
        return [this](std::uint64_t d, std::uint64_t t) {
            done.push_back(d);
            total = t;
            return stopAt == 0 || d < stopAt;
        };
    }
};

} // namespace kxtest
