// Making a list of a folder of this computer: the records written in the list's order while
// other threads read the folders ahead and compress what is written.
#include "listfile/scan.h"

#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "listfile/innerlist.h"
#include "listfile/io/paths.h"
#include "listfile/io/replacement.h"
#include "listfile/listfile.h"
#include "listfile/scandisk.h"
#include "listfile/scanwalk.h"
#include "listfile/zip/writer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

using Clock = std::chrono::steady_clock;
using scanwalk::Child;
using scanwalk::Listing;

constexpr std::size_t kInexactNamesShown = 5;
// A scan's list is deflated at level 3, zlib's fastest kind of matching: on a scan of /usr 40% of
// the default level's time for 28% more bytes (2.9 MB in place of 2.3 MB for 163,000 entries;
// levels 1 and 2 are no faster and larger still). A save in the viewer packs it at level 9.
constexpr int kScanLevel = 3;

// Writes a time into a record's date field. Files of one folder mostly share their minute, so
// the text of the last minute is kept and only the seconds are written; an old local mean time
// that is no whole number of minutes from UTC is formatted in full.
class DateFields {
public:
    void put(std::uint8_t* record, std::size_t offset, std::size_t size, std::time_t t) {
        const std::time_t minute = t - ((t % 60) + 60) % 60;
        if (minute != m_minute) {
            m_minute = minute;
            m_text = listDate(minute);
        }
        if (m_text.compare(m_text.size() - 2, 2, "00") != 0) {
            setTextField(record, offset, size, listDate(t));
            return;
        }
        const int second = int(t - minute);
        m_text[m_text.size() - 2] = char('0' + second / 10);
        m_text[m_text.size() - 1] = char('0' + second % 10);
        setTextField(record, offset, size, m_text);
    }

private:
    std::time_t m_minute = 1; // no minute starts there
    std::string m_text;
};

void fillRecord(std::uint8_t* r, const Child& c, bool isRoot, DateFields& dates) {
    const bool folder = c.isFolder();
    std::uint8_t attributes = 0;
    if (c.statusError == 0) {
        if (c.hasBirth) dates.put(r, rec::created, rec::createdSize, c.born);
        dates.put(r, rec::changed, rec::changedSize, c.changed);
        if (!(c.mode & S_IWUSR)) attributes |= readOnly;
    } else {
        attributes |= damaged;
    }
    r[rec::kind] = std::uint8_t(folder ? kFolder : kFile);
    if (!isRoot && !c.name.empty() && c.name[0] == '.') attributes |= hidden;
    if (!folder) attributes |= archive;
    r[rec::attributes] = attributes;
    uint64ToExtended(folder ? 0 : c.size, r + rec::size);
}

// The header's text: the label given, else the folder, its disk's name and the time of the scan,
// in the code page and at most 255 bytes (the folder's path is shortened from its start).
std::string headerTextFor(const std::string& rootPath, dev_t device, const ScanOptions& options) {
    constexpr std::size_t most = kHeaderSize - 1;
    if (options.label) return toAnsi(QString::fromStdString(*options.label)).substr(0, most);
    const std::string disk = scandisk::diskName(device);
    const std::string tail = (disk.empty() ? "" : " on " + toAnsi(QString::fromStdString(disk))) +
                             ", scanned " + listDate(std::time(nullptr));
    std::string folder = toAnsi(QString::fromStdString(rootPath));
    if (folder.size() + tail.size() > most) {
        const std::size_t keep = most > tail.size() + 3 ? most - tail.size() - 3 : 0;
        folder = "..." + folder.substr(folder.size() - std::min(keep, folder.size()));
    }
    return (folder + tail).substr(0, most);
}

[[noreturn]] void failed(const std::string& folder, int sysErrno) {
    throw Error(codeForErrno(sysErrno, ErrorCode::readFailed), folder, sysErrno);
}

// Four threads unless told: reading folders mostly waits on the kernel, and on two cores four
// finished in 0.86 of the wall time of two for the same processor time.
unsigned threadsFor(const ScanOptions& options) {
    return options.threads ? options.threads : 4;
}

// Writes the records in the list's order: a folder's record once its children are known, then
// its children one after another, each folder among them followed by its own subtree.
class RecordWriter {
public:
    RecordWriter(ByteSink& out, const ScanOptions& options, std::string rootPath)
        : m_out(out), m_options(options), m_rootPath(std::move(rootPath)),
          m_readers(threadsFor(options), m_rules) {
        struct stat st {};
        if (options.listBeingWritten >= 0 && ::fstat(options.listBeingWritten, &st) == 0) {
            m_rules.outDevice = st.st_dev;
            m_rules.outInode = st.st_ino;
        }
        m_rules.crossFileSystems = options.crossFileSystems;
    }

    ScanReport run(const std::string& folder, const Child& rootStatus,
                   std::shared_ptr<scanwalk::Anchor> anchor) {
        Listing rootListing = m_readers.read({std::move(anchor), {}, false}, rootStatus.device);
        if (rootListing.error && rootListing.children.empty()) failed(folder, rootListing.error);
        std::uint8_t record[kRecordSize] = {};
        const NameFit fit = setNameField(record, m_rootPath);
        count(fit, m_rootPath, rootStatus);
        fillRecord(record, rootStatus, true, m_dates);
        finishFolder(record, rootListing);
        enter(std::move(rootListing), 0, rootStatus.device, {});
        while (!m_stack.empty()) {
            Frame& f = m_stack.back();
            if (f.next == f.listing.children.size()) {
                m_stack.pop_back();
                continue;
            }
            const Child& c = f.listing.children[f.next++];
            std::memset(record, 0, kRecordSize);
            count(setNameField(record, c.name), c.name, c);
            fillRecord(record, c, false, m_dates);
            writeI32(record, rec::depth, f.depth + 1);
            if (!m_rules.enters(c, f.device)) {
                if (c.statusError) ++m_report.unreadable;
                writeI32(record, rec::lastChild, -1);
                write(record);
                continue;
            }
            Listing l = m_readers.take(*f.listing.jobs[f.nextJob++]);
            if (l.pseudo) ++m_report.otherFileSystems; // listed, never entered
            finishFolder(record, l);
            enter(std::move(l), f.depth + 1, c.device, c.name); // f is gone from here on
        }
        return m_report;
    }

private:
    struct Frame {
        Listing listing;
        std::size_t next = 0, nextJob = 0;
        std::int32_t depth = 0;
        dev_t device = 0;
        std::string name;
    };

    void finishFolder(std::uint8_t* record, const Listing& l) {
        writeI32(record, rec::lastChild, std::int32_t(l.children.size()) - 1);
        if (l.error) {
            record[rec::attributes] |= damaged;
            ++m_report.unreadable;
        }
        write(record);
    }

    void enter(Listing&& l, std::int32_t depth, dev_t device, std::string name) {
        for (const Child& c : l.children)
            if (c.isFolder() && c.statusError == 0 && !m_rules.enters(c, device))
                ++m_report.otherFileSystems;
        m_stack.push_back({std::move(l), 0, 0, depth, device, std::move(name)});
    }

    void count(NameFit fit, const std::string& name, const Child& c) {
        ++m_report.entries;
        if (c.isFolder()) {
            ++m_report.folders;
        } else {
            ++m_report.files;
            m_report.bytes += c.size;
        }
        if (fit != NameFit::inexact) return;
        if (++m_report.inexact <= kInexactNamesShown)
            m_report.inexactNames.push_back(m_stack.empty() ? name : below(folderPath(), name));
    }

    static std::string below(std::string path, const std::string& name) {
        return path.back() == '/' ? path + name : path + "/" + name;
    }

    std::string folderPath() const {
        std::string path = m_rootPath;
        for (std::size_t i = 1; i < m_stack.size(); ++i)
            path = below(std::move(path), m_stack[i].name);
        return path;
    }

    void write(const std::uint8_t* record) {
        // An archive without ZIP64 holds an inner list below 4 GiB: say so before writing more.
        if (m_report.entries > (0xFFFFFFFFull - kHeaderSize) / kRecordSize)
            throw Error(ErrorCode::tooLarge, m_rootPath);
        m_out.write(record, kRecordSize);
        if (!m_options.progress || ++m_sinceCheck < 1024) return;
        m_sinceCheck = 0;
        const auto now = Clock::now();
        if (now - m_lastProgress < std::chrono::milliseconds(100)) return;
        m_lastProgress = now;
        m_options.progress(
            {m_report.entries, std::chrono::duration<double>(now - m_start).count(), folderPath()});
    }

    ByteSink& m_out;
    const ScanOptions& m_options;
    std::string m_rootPath;
    scanwalk::Rules m_rules;
    scanwalk::Readers m_readers;
    std::vector<Frame> m_stack;
    DateFields m_dates;
    ScanReport m_report;
    const Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastProgress = m_start;
    unsigned m_sinceCheck = 0;
};

} // namespace

std::string listDate(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &tm);
    return buf;
}

void setTextField(std::uint8_t* record, std::size_t offset, std::size_t size,
                  std::string_view text) {
    std::memset(record + offset, 0, size);
    if (!text.empty()) std::memcpy(record + offset, text.data(), std::min(text.size(), size - 1));
}

ScanReport scanFolderInto(const std::string& folder, ByteSink& out, const ScanOptions& options) {
    const auto start = Clock::now();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOTDIR) throw Error(ErrorCode::notFolder, folder);
        throwSystemError(ErrorCode::readFailed, folder);
    }
    const auto anchor = std::make_shared<scanwalk::Anchor>(fd);
    const Child rootStatus = scanwalk::statusOf(fd);
    if (rootStatus.statusError) failed(folder, rootStatus.statusError);
    char resolved[PATH_MAX];
    const std::string rootPath = ::realpath(folder.c_str(), resolved) ? resolved : folder;

    std::uint8_t header[kHeaderSize] = {};
    const std::string text = headerTextFor(rootPath, rootStatus.device, options);
    std::memcpy(header, text.data(), text.size());
    out.write(header, kHeaderSize);

    RecordWriter writer(out, options, rootPath);
    ScanReport report = writer.run(folder, rootStatus, anchor);
    report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return report;
}

void writeNewListFile(const EntryTree& tree, const std::string& out, bool keepRootName) {
    if (paths::exists(out)) throw Error(ErrorCode::alreadyExists, out);
    ListContainer container;
    saveListFile(container, tree, out, {}, {}, {}, nullptr,
                 keepRootName ? PathNames::keep : PathNames::clear);
}

ScanReport scanFolderToListFile(const std::string& folder, const std::string& out,
                                const ScanOptions& options) {
    const auto start = Clock::now();
    if (paths::exists(out)) throw Error(ErrorCode::alreadyExists, out);
    ListContainer container;
    const zip::EntryHeader entry = container.entryHeaderFor(out);
    io::FileReplacement file(out);
    zip::ArchiveSink archive(file.fd(), file.tempPath(), entry, kScanLevel);
    ScanOptions leavingTheListOut = options;
    leavingTheListOut.listBeingWritten = file.fd();
    ScanReport report = scanFolderInto(folder, archive, leavingTheListOut);
    archive.finish();
    file.commit();
    report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return report;
}

} // namespace kx
