// What a scan asks of this computer's file systems: which ones are never entered, and the
// names a disk is known by.
#pragma once

#include <string>
#include <sys/types.h>

namespace kx::scandisk {

// Devices whose file systems hold no files of a person: the kernel's own views (processes,
// devices, control groups, tracing, ...), told by the file system's magic number. The devices
// file system shares its magic number with tmpfs, so the file system mounted at /dev is
// counted among them by its device number, whatever its type.
class PseudoFileSystems {
public:
    PseudoFileSystems(); // notes the device of /dev
    // Whether the open folder `fd` lies on such a file system.
    bool holds(int fd) const;

private:
    dev_t m_devices = 0;
    bool m_devicesApart = false; // /dev is a file system of its own
};

// The label of the file system on `device`, else its UUID, as the links in by-label and by-uuid
// of `disks` name them ("label X" / "UUID Y", udev's "\x20" read as the byte it stands for);
// empty when the system names neither.
std::string diskName(dev_t device, const std::string& disks = "/dev/disk");

} // namespace kx::scandisk
