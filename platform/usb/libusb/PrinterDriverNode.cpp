#include "platform/usb/libusb/PrinterDriverNode.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace usb::libusb_backend {

namespace {

constexpr char kUsbDevices[] = "/sys/bus/usb/devices/";
constexpr char kProc[] = "/proc";
constexpr char kDevNamePrefix[] = "DEVNAME=";

bool isNumber(const char* text) {
    if (!*text) return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

// The DEVNAME of a class device's uevent ("usb/lp0"), or empty.
std::string devName(const std::string& classDevice) {
    std::ifstream uevent(classDevice + "/uevent");
    std::string line;
    while (std::getline(uevent, line))
        if (line.rfind(kDevNamePrefix, 0) == 0) return line.substr(sizeof kDevNamePrefix - 1);
    return {};
}

template <typename Fn> void forEachEntry(const std::string& directory, Fn&& fn) {
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.' && fn(entry->d_name)) break;
    ::closedir(dir);
}

} // namespace

std::string printerDriverNode(const std::string& sysfsName, std::uint8_t configuration,
                              std::uint8_t interfaceNumber) {
    // The driver registers its node as a "usbmisc" class device below the interface.
    const std::string classDevices = kUsbDevices + sysfsName + ":" + std::to_string(configuration) + "." +
                                     std::to_string(interfaceNumber) + "/usbmisc";
    std::string node;
    forEachEntry(classDevices, [&](const char* name) {
        const std::string devname = devName(classDevices + "/" + name);
        if (devname.empty()) return false;
        node = devname.front() == '/' ? devname : "/dev/" + devname;
        return true;
    });
    return node;
}

NodeHolder printerDriverNodeHolder(const std::string& node, const std::function<void(int)>& ownOpens) {
    NodeHolder holder;
    struct stat target {};
    if (::stat(node.c_str(), &target) != 0) return holder;
    bool complete = true;
    forEachEntry(kProc, [&](const char* pid) {
        if (!isNumber(pid)) return false;
        const std::string fds = std::string(kProc) + "/" + pid + "/fd";
        DIR* dir = ::opendir(fds.c_str());
        if (!dir) {
            // Another user's process (or one that just ended): not ours to look into.
            if (errno == EACCES || errno == EPERM) complete = false;
            return false;
        }
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            struct stat opened {};
            // The same file: the same inode on the same file system.
            if (::stat((fds + "/" + entry->d_name).c_str(), &opened) == 0 && opened.st_dev == target.st_dev &&
                opened.st_ino == target.st_ino) {
                holder = {true, std::atoi(pid)};
                break;
            }
        }
        ::closedir(dir);
        return holder.held;
    });
    if (holder.held || complete) return holder;
    if (ownOpens) ownOpens(+1);
    const int fd = ::open(node.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        ::close(fd);
        return holder;
    }
    const int error = errno;
    if (ownOpens) ownOpens(-1); // a refused open is seen by nobody
    holder.held = error == EBUSY;
    return holder;
}

} // namespace usb::libusb_backend
