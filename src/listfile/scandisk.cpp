// The file systems a scan never enters, and the names of a disk.
#include "listfile/scandisk.h"

#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kx::scandisk {

namespace {

// statfs f_type values of the kernel's pseudo file systems (linux/magic.h and the file
// systems' own sources; a few of them are missing from older headers).
constexpr std::uint32_t kPseudoMagic[] = {
    0x9fa0,     // proc
    0x62656572, // sysfs
    0x1cd1,     // devpts
    0x27e0eb,   // cgroup
    0x63677270, // cgroup2
    0x73636673, // securityfs
    0x64626720, // debugfs
    0x74726163, // tracefs
    0x6165676c, // pstore
    0xcafe4a11, // bpf
    0x19800202, // mqueue
    0x958458f6, // hugetlbfs
    0x62656570, // configfs
    0x65735543, // fusectl
    0x42494e4d, // binfmt_misc
    0x0187,     // autofs
    0x6e736673, // nsfs
    0xf97cff8c, // selinuxfs
    0x43415d53, // smackfs
    0xde5e81e4, // efivarfs
    0x67596969, // rpc_pipefs
    0x9fa2,     // usbdevfs
    0x50495045, // pipefs
    0x534f434b, // sockfs
};

// "\x20" in a link's name stands for the byte 0x20 (udev's escaping of labels).
std::string unescapedLinkName(const char* name) {
    std::string out;
    for (const char* p = name; *p; ++p) {
        unsigned byte = 0;
        if (p[0] == '\\' && p[1] == 'x' && std::sscanf(p + 2, "%2x", &byte) == 1) {
            out += char(byte);
            p += 3;
        } else {
            out += *p;
        }
    }
    return out;
}

// The name of the link in `folder` that leads to the block device `device`.
std::string linkTo(const std::string& folder, dev_t device) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* d = ::readdir(dir)) {
        struct stat st {};
        if (d->d_name[0] == '.' || ::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0) continue;
        if (S_ISBLK(st.st_mode) && st.st_rdev == device) {
            found = unescapedLinkName(d->d_name);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

PseudoFileSystems::PseudoFileSystems() {
    struct stat dev {
    }, root{};
    if (::stat("/dev", &dev) == 0 && ::stat("/", &root) == 0 && dev.st_dev != root.st_dev) {
        m_devices = dev.st_dev;
        m_devicesApart = true;
    }
}

bool PseudoFileSystems::holds(int fd) const {
    struct stat st {};
    if (m_devicesApart && ::fstat(fd, &st) == 0 && st.st_dev == m_devices) return true;
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return false;
    for (std::uint32_t magic : kPseudoMagic)
        if (std::uint32_t(fs.f_type) == magic) return true;
    return false;
}

std::string diskName(dev_t device, const std::string& disks) {
    if (std::string label = linkTo(disks + "/by-label", device); !label.empty())
        return "label " + label;
    if (std::string uuid = linkTo(disks + "/by-uuid", device); !uuid.empty()) return "UUID " + uuid;
    return {};
}

} // namespace kx::scandisk
