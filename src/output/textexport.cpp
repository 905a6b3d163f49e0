// Text export: the walk that writes the file lines, the export file writer and the name rules.
#include "output/textexport.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace kx::out {

namespace {

// Where the file part of a path starts (after the last '/').
qsizetype fileStart(const QString& path) {
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

// The position of the last '.' that starts an extension in the file part, or -1. A dot that
// opens the file part (".profile") does not start an extension.
qsizetype extensionDot(const QString& path) {
    const qsizetype start = fileStart(path);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > start ? dot : -1;
}

// The export file: created or truncated, written through a buffer. Every failure throws
// ListFileError, so a full disk is reported instead of leaving a silently short file.
class ExportFile : public kx::ByteSink {
public:
    ~ExportFile() override {
        if (m_fd >= 0) ::close(m_fd);
    }

    bool open(const QString& path) {
        const QByteArray native = QFile::encodeName(path);
        if (native.isEmpty()) return false;
        do {
            m_fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        } while (m_fd < 0 && errno == EINTR);
        m_buf.resize(kBufferSize);
        return m_fd >= 0;
    }

    void write(const void* data, std::size_t n) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (n > 0) {
            if (m_len == m_buf.size()) flushBuffer();
            const std::size_t part = std::min(n, m_buf.size() - m_len);
            std::memcpy(m_buf.data() + m_len, p, part);
            m_len += part;
            p += part;
            n -= part;
        }
    }

    // Writes what is buffered, flushes the file to its device and closes it.
    void finish() {
        flushBuffer();
        // Devices and pipes cannot be synced (EINVAL); that is no loss of data.
        if (::fdatasync(m_fd) != 0 && errno != EINVAL) fail("cannot flush the export file");
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) fail("cannot close the export file");
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    void flushBuffer() {
        std::size_t done = 0;
        while (done < m_len) {
            const ssize_t n = ::write(m_fd, m_buf.data() + done, m_len - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail("cannot write the export file");
            done += static_cast<std::size_t>(n);
        }
        m_len = 0;
    }

    [[noreturn]] static void fail(const char* what) {
        throw kx::ListFileError(std::string(what) + ": " + std::strerror(errno) + ".");
    }

    int m_fd = -1;
    std::vector<std::uint8_t> m_buf;
    std::size_t m_len = 0;
};

} // namespace

QString proposedExportName(const QString& listFileName) {
    const qsizetype dot = extensionDot(listFileName);
    return (dot < 0 ? listFileName : listFileName.left(dot)) + QStringLiteral(".txt");
}

QString withTxtExtension(const QString& chosen) {
    if (chosen.isEmpty() || chosen.endsWith(QLatin1Char('/'))) return chosen;
    // "report." already carries the dot: only the letters are missing.
    if (chosen.endsWith(QLatin1Char('.')) && chosen.size() - 1 > fileStart(chosen))
        return chosen + QStringLiteral("txt");
    return extensionDot(chosen) < 0 ? chosen + QStringLiteral(".txt") : chosen;
}

bool writeExportLines(const kx::Entry* root, kx::ByteSink& out, const kx::WriteProgress& progress) {
    if (!root) return true;
    // An explicit stack instead of recursion: a list may be nested very deeply.
    struct Frame {
        const kx::Entry* folder;
        std::size_t next;
        std::size_t prefixLength; // the prefix's length before this folder's name was added
    };
    std::vector<Frame> stack{{root, 0, 0}};
    std::string prefix;      // folder names from the root's child down, joined by backslashes
    std::string lastWritten; // the prefix of the last file line written
    std::string line;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.folder->children.size()) {
            prefix.resize(frame.prefixLength);
            stack.pop_back();
            continue;
        }
        const kx::Entry* e = frame.folder->children[frame.next++];
        if (progress.step) progress.step();
        if (progress.abort && *progress.abort) return false;

        if (e->isFolder()) {
            const std::size_t before = prefix.size();
            if (!prefix.empty()) prefix += '\\';
            prefix += e->name();
            stack.push_back({e, 0, before});
            continue;
        }
        if (lastWritten != prefix) {
            out.write("\r\n", 2);
            lastWritten = prefix;
        }
        line.clear();
        // Two flags, one character: crossed out (exactly 1) and damaged.
        if (e->crossedOut() == 1) line += '*';
        if (e->isDamaged()) line += '*';
        if (!prefix.empty()) {
            line += prefix;
            line += '\\';
        }
        line += e->name();
        line += "\r\n";
        out.write(line.data(), line.size());
    }
    return true;
}

ExportResult exportToFile(const kx::Entry* root, const QString& path,
                          const kx::WriteProgress& progress) {
    ExportFile file;
    if (!file.open(path)) return ExportResult::CreateFailed;
    try {
        const bool complete = writeExportLines(root, file, progress);
        file.finish();
        return complete ? ExportResult::Done : ExportResult::Aborted;
    } catch (const kx::ListFileError&) {
        return ExportResult::WriteFailed;
    }
}

} // namespace kx::out
