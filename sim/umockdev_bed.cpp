// The umockdev test bed: sysfs entries, device nodes and an ioctl handler per hidraw device, the
// handler answering HIDIOCGRAWINFO, HIDIOCSFEATURE and HIDIOCGFEATURE from a virtual reader.
#include "sim/umockdev_bed.hpp"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace zrt::sim {

namespace {

constexpr const char* PRELOAD_LIBRARY = "libumockdev-preload.so.0";
// Set on the second run, so that a preload that does not take cannot loop.
constexpr const char* RERUN_MARK = "ZRT_UMOCKDEV_RERUN";
// The character-device major number the bed gives its nodes (the kernel picks one dynamically).
constexpr unsigned HIDRAW_MAJOR = 240;
constexpr const char* GENERATION_KEY = "zrt-bed-generation";
constexpr std::uint16_t BUS_USB = 3;
// A reader's report descriptor: one vendor-defined collection with the feature reports 0x41 (62
// data bytes) and 0x49 (574), as wine's winebus needs to present the device.
constexpr std::uint8_t READER_DESCRIPTOR[] = {
    0x06, 0x00, 0xFF,  // usage page: vendor defined 0xFF00
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection: application
    0x15, 0x00,        //   logical minimum 0
    0x26, 0xFF, 0x00,  //   logical maximum 255
    0x75, 0x08,        //   report size 8 bits
    0x85, 0x41,        //   report ID 0x41
    0x95, 0x3E,        //   report count 62
    0x09, 0x01,        //   usage 1
    0xB1, 0x02,        //   feature: data, variable, absolute
    0x85, 0x49,        //   report ID 0x49
    0x96, 0x3E, 0x02,  //   report count 574
    0x09, 0x01,        //   usage 1
    0xB1, 0x02,        //   feature: data, variable, absolute
    0xC0,              // end collection
};

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof(text), format, values...);
    return text;
}

struct GFree {
    void operator()(void* pointer) const { g_free(pointer); }
};
using GString = std::unique_ptr<gchar, GFree>;

// umockdev's preload connects every open of a /dev path to an ioctl socket of the bed, the path's
// own or else the bed's default one, and it does so even when the open itself fails; it then keeps
// the connection, and one of its 50 descriptor slots, for the failed open's descriptor -1 until
// someone calls close(-1). A client that tries an unplugged node (a search racing an unplug), or
// any missing /dev path, would so use up the slots of its process (the preload aborts past the
// last) and keep a connection that the bed counts as an open handle. So no socket is left for an
// open to find where no node is: the default socket (the bed answers every node with its own
// handler) is moved aside for the bed's lifetime, and a device's socket while it is unplugged,
// before its node goes and after it is back (an open in between gets a descriptor that answers no
// ioctl, which a client closes like any other). That leaves one race: an open that fails for want
// of the node just before a plug-in can still find the socket once the plug-in is done, so a
// client closes -1 after a failed open (link/linux/hidraw_platform.cpp). Connections made before
// stay, as a listening socket does not care about its name.
//
// Throws unless `from` was moved, or did not exist and `mayBeMissing`.
void MoveSocket(const std::string& from, const std::string& to, bool mayBeMissing = false) {
    if (std::rename(from.c_str(), to.c_str()) != 0 && !(mayBeMissing && errno == ENOENT)) {
        throw std::runtime_error("cannot move the ioctl socket " + from + ": " +
                                 std::strerror(errno));
    }
}

std::string DefaultSocketPath(const std::string& root, bool parked) {
    return root + "/ioctl/_default" + (parked ? ".unused" : "");
}

}  // namespace

bool RunUnderUmockdevPreload(char** argv) {
    if (void* loaded = dlopen(PRELOAD_LIBRARY, RTLD_NOW | RTLD_NOLOAD); loaded != nullptr) {
        dlclose(loaded);
        unsetenv(RERUN_MARK);  // not passed on to programs started from here
        return true;
    }
    if (std::getenv(RERUN_MARK) != nullptr) {
        std::fprintf(stderr, "%s is not loaded although LD_PRELOAD names it\n", PRELOAD_LIBRARY);
        return false;
    }
    std::string preload = PRELOAD_LIBRARY;
    if (const char* earlier = std::getenv("LD_PRELOAD"); earlier != nullptr && *earlier != '\0') {
        preload += ' ';
        preload += earlier;
    }
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv(RERUN_MARK, "1", 1);
    execv("/proc/self/exe", argv);
    std::fprintf(stderr, "cannot run %s again under %s: %s\n", argv[0], PRELOAD_LIBRARY,
                 std::strerror(errno));
    return false;
}

struct UmockdevBed::Testbed {
    UMockdevTestbed* bed = umockdev_testbed_new();
    ~Testbed() { g_object_unref(bed); }
};

struct UmockdevBed::Device {
    UmockdevBed* owner = nullptr;
    unsigned number = 0;
    std::unique_ptr<VirtualReader> reader;  // none for someone else's interface
    link::HidIds ids;
    bool plugged = false;
    unsigned generation = 0;  // counts the plug-ins; a client keeps the one it opened under
    BedFault fault = BedFault::None;
    int pullOutOn = -1;   // the command whose request pulls the device out; -1: none
    bool pulledOut = false;
    unsigned opens = 0;
    unsigned closes = 0;
    unsigned ioctls = 0;
    unsigned featureCalls = 0;
    std::string parentPath;  // sysfs paths while plugged
    std::string nodePath;
    std::string sysPath;
    UMockdevIoctlBase* handler = nullptr;
    std::string socketPath;  // where clients reach the handler, and where it waits while unplugged
    std::string parkedSocketPath;
};

struct UmockdevBed::Callbacks {
    // The plug-in a client opened under: the device's current one when the bed first sees the
    // client. Called with the bed's lock held.
    static unsigned GenerationOf(const Device& device, UMockdevIoctlClient* client) {
        GObject* object = G_OBJECT(client);
        if (g_object_get_data(object, GENERATION_KEY) == nullptr) {
            g_object_set_data(object, GENERATION_KEY, GUINT_TO_POINTER(device.generation));
        }
        return GPOINTER_TO_UINT(g_object_get_data(object, GENERATION_KEY));
    }

    static void Connected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        auto& device = *static_cast<Device*>(data);
        {
            std::lock_guard lock(device.owner->mutex_);
            ++device.opens;
            GenerationOf(device, client);
            ++device.owner->events_;
        }
        g_object_weak_ref(G_OBJECT(client), Closed, &device);
        device.owner->changed_.notify_all();
    }

    // umockdev lets go of a client once its socket has closed: the handle was closed, or the
    // process that held it ended.
    static void Closed(gpointer data, GObject*) {
        auto& device = *static_cast<Device*>(data);
        {
            std::lock_guard lock(device.owner->mutex_);
            ++device.closes;
            ++device.owner->events_;
        }
        device.owner->changed_.notify_all();
    }

    static gboolean Ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        auto& device = *static_cast<Device*>(data);
        long result = -1;
        int error = 0;
        {
            std::lock_guard lock(device.owner->mutex_);
            error = Answer(device, client, result);
        }
        umockdev_ioctl_client_complete(client, error == 0 ? result : -1, error);
        {
            std::lock_guard lock(device.owner->mutex_);
            ++device.owner->events_;
        }
        device.owner->changed_.notify_all();
        return TRUE;
    }

    // Answers one ioctl; the errno to report (0 on success, with `result` set).
    static int Answer(Device& device, UMockdevIoctlClient* client, long& result) {
        ++device.ioctls;
        if (!device.plugged || device.pulledOut ||
            GenerationOf(device, client) != device.generation) {
            return ENODEV;
        }
        if (device.fault == BedFault::IoError) {
            return EIO;
        }
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
        if (request == HIDIOCGRDESCSIZE || request == HIDIOCGRDESC) {
            if (device.reader == nullptr) {
                return EINVAL;  // someone else's device: nothing to describe here
            }
            if (request == HIDIOCGRDESCSIZE) {
                return WithMemory(argument, sizeof(int), [&](std::uint8_t* memory) {
                    const int size = sizeof(READER_DESCRIPTOR);
                    std::memcpy(memory, &size, sizeof(size));
                    result = 0;
                    return 0;
                });
            }
            return WithMemory(
                argument, sizeof(hidraw_report_descriptor), [&](std::uint8_t* memory) {
                    hidraw_report_descriptor descriptor;
                    std::memcpy(&descriptor, memory, sizeof(descriptor));
                    if (descriptor.size > HID_MAX_DESCRIPTOR_SIZE) {
                        return EINVAL;
                    }
                    const std::size_t size =
                        std::min<std::size_t>(descriptor.size, sizeof(READER_DESCRIPTOR));
                    std::memcpy(descriptor.value, READER_DESCRIPTOR, size);
                    std::memcpy(memory, &descriptor, sizeof(descriptor));
                    result = 0;
                    return 0;
                });
        }
        if (request == HIDIOCGRAWINFO) {
            return WithMemory(argument, sizeof(hidraw_devinfo), [&](std::uint8_t* memory) {
                hidraw_devinfo info{};
                info.bustype = BUS_USB;
                info.vendor = static_cast<__s16>(device.ids.vendorId);
                info.product = static_cast<__s16>(device.ids.productId);
                std::memcpy(memory, &info, sizeof(info));
                result = 0;
                return 0;
            });
        }
        const unsigned size = _IOC_SIZE(request);
        const bool featureCall =
            _IOC_TYPE(request) == 'H' && _IOC_DIR(request) == (_IOC_READ | _IOC_WRITE) &&
            (request == HIDIOCSFEATURE(size) || request == HIDIOCGFEATURE(size));
        if (!featureCall) {
            return ENOTTY;  // what hidraw says to every other request
        }
        if (size == 0) {
            return EINVAL;
        }
        ++device.featureCalls;
        if (device.reader == nullptr) {
            return EPIPE;  // the device stalls a report it does not have
        }
        VirtualReader& reader = *device.reader;
        return WithMemory(argument, size, [&](std::uint8_t* memory) {
            if (request == HIDIOCSFEATURE(size)) {
                if (size > 3 && memory[3] == device.pullOutOn) {
                    device.pullOutOn = -1;
                    device.pulledOut = true;
                    return ENODEV;
                }
                const std::size_t logged = reader.Log().size();
                if (!reader.SetFeature(memory, size)) {
                    return EPIPE;
                }
                if (reader.Log().size() > logged && device.owner->observer_) {
                    device.owner->observer_(device.number, reader.Log().back());
                }
                result = size;
                return 0;
            }
            std::vector<std::uint8_t> before(memory, memory + size);
            if (!reader.GetFeature(memory, size)) {
                return EPIPE;
            }
            result = size;
            if (device.fault == BedFault::ShortRead && size >= 3) {
                // Report ID and frame only: the bytes past them are the client's own again.
                const std::size_t frame = 1 + (memory[1] | (memory[2] << 8));
                const std::size_t sent = std::min<std::size_t>(frame, size);
                std::copy(before.begin() + static_cast<std::ptrdiff_t>(sent), before.end(),
                          memory + sent);
                result = static_cast<long>(sent);
            }
            return 0;
        });
    }

    // Runs `use` on a local copy of the `size` bytes the ioctl argument points to; what `use`
    // changes goes back to the client when the call completes.
    template <typename Use>
    static int WithMemory(UMockdevIoctlData* argument, std::size_t size, Use use) {
        GError* failure = nullptr;
        UMockdevIoctlData* memory = umockdev_ioctl_data_resolve(argument, 0, size, &failure);
        if (memory == nullptr) {
            g_clear_error(&failure);
            return EFAULT;
        }
        const int error = use(memory->data);
        g_object_unref(memory);  // the argument keeps its own reference until completion
        return error;
    }
};

UmockdevBed::UmockdevBed() : testbed_(std::make_unique<Testbed>()) {
    if (!umockdev_in_mock_environment()) {
        throw std::runtime_error(std::string("the umockdev bed needs ") + PRELOAD_LIBRARY +
                                 " preloaded (see RunUnderUmockdevPreload)");
    }
    MoveSocket(DefaultSocketPath(RootDir(), false), DefaultSocketPath(RootDir(), true), true);
    // The device folder exists from the start, so that a watch on /dev (inotify, which the preload
    // maps into the bed only where the bed has the folder) sees the first node come.
    GString devices(g_build_filename(RootDir().c_str(), "dev", nullptr));
    if (g_mkdir_with_parents(devices.get(), 0755) != 0) {
        throw std::runtime_error("cannot create the bed's device folder");
    }
}

UmockdevBed::~UmockdevBed() {
    for (auto& [number, device] : devices_) {
        if (!device->plugged) {
            // Detaching removes the socket by its own name.
            std::rename(device->parkedSocketPath.c_str(), device->socketPath.c_str());
        }
        umockdev_testbed_detach_ioctl(testbed_->bed, NodePath(number).c_str(), nullptr);
    }
    std::rename(DefaultSocketPath(RootDir(), true).c_str(),
                DefaultSocketPath(RootDir(), false).c_str());
    testbed_.reset();
    for (auto& [number, device] : devices_) {
        g_object_unref(device->handler);
    }
}

std::string UmockdevBed::NodePath(unsigned number) {
    return Format("/dev/hidraw%u", number);
}

std::string UmockdevBed::RootDir() const {
    GString root(umockdev_testbed_get_root_dir(testbed_->bed));
    return root.get();
}

void UmockdevBed::AddReader(unsigned number, VirtualReader reader) {
    auto device = std::make_unique<Device>();
    device->ids = {reader.VendorId(), reader.ProductId()};
    device->reader = std::make_unique<VirtualReader>(std::move(reader));
    AddDevice(number, std::move(device));
}

void UmockdevBed::AddForeign(unsigned number, std::uint16_t vendorId, std::uint16_t productId) {
    auto device = std::make_unique<Device>();
    device->ids = {vendorId, productId};
    AddDevice(number, std::move(device));
}

void UmockdevBed::AddDevice(unsigned number, std::unique_ptr<Device> device) {
    std::lock_guard lock(mutex_);
    if (devices_.contains(number)) {
        throw std::invalid_argument(Format("hidraw%u is already in the bed", number));
    }
    device->owner = this;
    device->number = number;
    device->nodePath = NodePath(number);
    Publish(*device);

    // The handler is attached before any client can open the node, and stays attached through
    // unplugging (it then refuses every call).
    device->handler = umockdev_ioctl_base_new();
    g_signal_connect(device->handler, "client-connected", G_CALLBACK(Callbacks::Connected),
                     device.get());
    g_signal_connect(device->handler, "handle-ioctl", G_CALLBACK(Callbacks::Ioctl), device.get());
    GError* failure = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_->bed, device->nodePath.c_str(), device->handler,
                                       &failure)) {
        const std::string message = failure != nullptr ? failure->message : "unknown error";
        g_clear_error(&failure);
        g_object_unref(device->handler);
        throw std::runtime_error("cannot attach the ioctl handler of " + device->nodePath + ": " +
                                 message);
    }
    device->socketPath = RootDir() + "/ioctl" + device->nodePath;
    device->parkedSocketPath = device->socketPath + ".unplugged";
    devices_.emplace(number, std::move(device));
}

void UmockdevBed::ParkSocket(Device& device, bool park) {
    if (park) {
        MoveSocket(device.socketPath, device.parkedSocketPath);
    } else {
        MoveSocket(device.parkedSocketPath, device.socketPath);
    }
}

// Creates the sysfs entries of the parent hid device and its hidraw child, and the node (for
// root alone, mode 000, as the kernel makes it, or open to everyone).
void UmockdevBed::Publish(Device& device, bool unparkSocket, bool rootAlone) {
    UMockdevTestbed* bed = testbed_->bed;
    const std::string parentName =
        Format("0003:%04X:%04X.%04X", device.ids.vendorId, device.ids.productId, device.number);
    const std::string hidId =
        Format("%04X:%08X:%08X", BUS_USB, device.ids.vendorId, device.ids.productId);
    const char* hidName = device.reader != nullptr ? "Virtual reader" : "Foreign HID device";
    const std::string hidPhys = Format("usb-0000:00:14.0-%u/input0", device.number + 1);
    const std::string hidUniq = Format("ZRT%05u", device.number);

    // A plugged-in device's socket comes back before its node: umockdev's preload ends a client
    // that opens a node whose socket is not there. Both are there before the "add" uevent that
    // makes listeners (wine's winebus) open it at once.
    if (unparkSocket) {
        ParkSocket(device, false);
    }
    // umockdev lets a client open a /dev path only when the bed has a file for it; it is there
    // before the hidraw device, whose "add" uevent tells wine's winebus to open it.
    GString root(umockdev_testbed_get_root_dir(bed));
    GString node(g_build_filename(root.get(), device.nodePath.c_str(), nullptr));
    GString folder(g_path_get_dirname(node.get()));
    GError* failure = nullptr;
    bool made = g_mkdir_with_parents(folder.get(), 0755) == 0;
    if (made && rootAlone) {
        const int file = ::open(node.get(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0);
        made = file >= 0 && ::close(file) == 0;
    } else if (made) {
        made = g_file_set_contents(node.get(), "", 0, &failure);
        g_clear_error(&failure);
    }
    if (!made) {
        throw std::runtime_error("cannot create the node of " + device.nodePath);
    }
    GString parent(umockdev_testbed_add_device(bed, "hid", parentName.c_str(), nullptr, nullptr,
                                               "DRIVER", "hid-generic", "HID_ID", hidId.c_str(),
                                               "HID_NAME", hidName, "HID_PHYS", hidPhys.c_str(),
                                               "HID_UNIQ", hidUniq.c_str(), nullptr));
    const std::string childName = Format("hidraw/hidraw%u", device.number);
    const std::string majorMinor = Format("%u:%u", HIDRAW_MAJOR, device.number);
    const std::string major = Format("%u", HIDRAW_MAJOR);
    const std::string minor = Format("%u", device.number);
    GString child(umockdev_testbed_add_device(
        bed, "hidraw", childName.c_str(), parent.get(), "dev", majorMinor.c_str(), nullptr, "MAJOR",
        major.c_str(), "MINOR", minor.c_str(), "DEVNAME", device.nodePath.c_str(), nullptr));
    if (parent == nullptr || child == nullptr) {
        throw std::runtime_error("umockdev refused the devices of " + device.nodePath);
    }
    // As in the kernel's tree: hidrawN/device leads to the hid device.
    umockdev_testbed_set_attribute_link(bed, child.get(), "device", "../..");
    device.parentPath = parent.get();
    device.sysPath = child.get();
    device.plugged = true;
    ++device.generation;
}

UmockdevBed::Device& UmockdevBed::Find(unsigned number) const {
    const auto found = devices_.find(number);
    if (found == devices_.end()) {
        throw std::out_of_range(Format("hidraw%u is not in the bed", number));
    }
    return *found->second;
}

void UmockdevBed::PlugForRootAlone(unsigned number) {
    std::lock_guard lock(mutex_);
    Device& device = Find(number);
    if (device.plugged) {
        throw std::logic_error(Format("hidraw%u is plugged in already", number));
    }
    Publish(device, true, true);
    const std::string node = RootDir() + device.nodePath;
    if (::utimensat(AT_FDCWD, node.c_str(), nullptr, 0) != 0) {
        throw std::runtime_error("cannot touch " + node);
    }
}

void UmockdevBed::GiveAccess(unsigned number) {
    const std::string node = RootDir() + NodePath(number);
    if (::chmod(node.c_str(), 0666) != 0) {
        throw std::runtime_error("cannot give access to " + node);
    }
}

void UmockdevBed::Unplug(unsigned number) {
    std::lock_guard lock(mutex_);
    Device& device = Find(number);
    if (!device.plugged) {
        return;
    }
    // The node first, then the socket: umockdev's preload ends a client that opens a node whose
    // socket is gone, while an open of a missing node fails cleanly. Then the child: removing it
    // takes its class link and its /sys/dev link along. Each goes with a "remove" uevent before
    // it, as from the kernel (removing sends none), so that listeners such as wine's winebus let
    // go of it.
    ::unlink((RootDir() + device.nodePath).c_str());
    ParkSocket(device, true);
    umockdev_testbed_uevent(testbed_->bed, device.sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_->bed, device.sysPath.c_str());
    umockdev_testbed_uevent(testbed_->bed, device.parentPath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_->bed, device.parentPath.c_str());
    device.plugged = false;
    device.pulledOut = false;
}

void UmockdevBed::Plug(unsigned number) {
    std::lock_guard lock(mutex_);
    Device& device = Find(number);
    if (!device.plugged) {
        Publish(device, true);
    }
}

void UmockdevBed::PullOutOn(unsigned number, std::uint8_t command) {
    std::lock_guard lock(mutex_);
    Find(number).pullOutOn = command;
}

bool UmockdevBed::IsPlugged(unsigned number) const {
    std::lock_guard lock(mutex_);
    return Find(number).plugged;
}

void UmockdevBed::SetFault(unsigned number, BedFault fault) {
    std::lock_guard lock(mutex_);
    Find(number).fault = fault;
}

unsigned UmockdevBed::Opens(unsigned number) const {
    std::lock_guard lock(mutex_);
    return Find(number).opens;
}

unsigned UmockdevBed::Closes(unsigned number) const {
    std::lock_guard lock(mutex_);
    return Find(number).closes;
}

unsigned UmockdevBed::FeatureCalls(unsigned number) const {
    std::lock_guard lock(mutex_);
    return Find(number).featureCalls;
}

unsigned UmockdevBed::Ioctls(unsigned number) const {
    std::lock_guard lock(mutex_);
    return Find(number).ioctls;
}

bool UmockdevBed::WaitUntil(const std::function<bool()>& condition,
                            std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        unsigned long seen = 0;
        {
            std::lock_guard lock(mutex_);
            seen = events_;
        }
        if (condition()) {
            return true;
        }
        std::unique_lock lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return events_ != seen; })) {
            lock.unlock();
            return condition();
        }
    }
}

void UmockdevBed::WithReader(unsigned number, const std::function<void(VirtualReader&)>& action) {
    std::lock_guard lock(mutex_);
    Device& device = Find(number);
    if (device.reader == nullptr) {
        throw std::out_of_range(Format("hidraw%u is not a reader", number));
    }
    action(*device.reader);
}

std::vector<Request> UmockdevBed::Log(unsigned number) {
    std::vector<Request> log;
    WithReader(number, [&](VirtualReader& reader) { log = reader.Log(); });
    return log;
}

void UmockdevBed::SetRequestObserver(RequestObserver observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

}  // namespace zrt::sim
