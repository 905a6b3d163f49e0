// Small lists for tests: records and archives made byte by byte, trees made in memory, list
// files on disk.
#pragma once

#include "nodetree.h"
#include "treebuilder.h"

#include "listfile/io/error.h"

#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kxtest {

// A one-entry ZIP made byte by byte: stored (method 0) or deflated (method 8).
std::string zipOf(std::string_view entryName, std::string_view data, int method = 8);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// The code of the kx::Error that `work` throws; nothing when it ends without one.
std::optional<kx::ErrorCode> errorOf(const std::function<void()>& work);

} // namespace kxtest
