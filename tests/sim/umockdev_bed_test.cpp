// Tests of the umockdev bed itself, with plain system calls: the sysfs entries it presents, the
// answers of its ioctl handler (also to requests it does not know), unplugging and plugging again,
// and the request observer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/umockdev_bed.hpp"

namespace zrt::sim {
namespace {

// The 63-byte "M" request.
std::vector<std::uint8_t> ReadInfoRequest() {
    std::vector<std::uint8_t> report(link::SHORT_REPORT_SIZE, 0);
    const std::uint8_t head[] = {0x41, 0x05, 0x00, 0x4D, 0xA1, 0xF4};
    std::copy(std::begin(head), std::end(head), report.begin());
    return report;
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The errno of a failed ioctl, 0 when it succeeded.
int IoctlErrno(int fd, unsigned long request, void* argument) {
    return ::ioctl(fd, request, argument) < 0 ? errno : 0;
}

class BedTest : public testing::Test {
  protected:
    void TearDown() override {
        for (const int fd : fds) {
            ::close(fd);
        }
    }
    int OpenNode(unsigned number) {
        const int fd = ::open(UmockdevBed::NodePath(number).c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            fds.push_back(fd);
        }
        return fd;
    }

    UmockdevBed bed;
    std::vector<int> fds;  // closed in TearDown, before the bed goes
};

TEST_F(BedTest, PresentsSysfsEntriesWithTheParentsHidId) {
    bed.AddReader(7, VirtualReader({1175, 1, 2}, {}, link::PRODUCT_ID_41));
    bed.AddForeign(12, 0x8086, 0xFFFF);
    EXPECT_NE(
        ReadText("/sys/class/hidraw/hidraw7/device/uevent").find("HID_ID=0003:000013AB:00000041\n"),
        std::string::npos);
    EXPECT_NE(ReadText("/sys/class/hidraw/hidraw12/device/uevent")
                  .find("HID_ID=0003:00008086:0000FFFF\n"),
              std::string::npos);
    EXPECT_EQ(ReadText("/sys/class/hidraw/hidraw7/dev"), "240:7");
    const char* root = std::getenv("UMOCKDEV_DIR");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(bed.RootDir(), root);
    EXPECT_THROW(bed.AddForeign(7, 1, 2), std::invalid_argument);
}

TEST_F(BedTest, AnswersTheThreeHidrawIoctlsAndRefusesTheRest) {
    bed.AddReader(1, VirtualReader({1175, 4242, 12}, {}, link::PRODUCT_ID_51));
    bed.AddForeign(2, 0x046D, 0xC52B);
    std::vector<Request> observed;
    bed.SetRequestObserver([&](unsigned number, const Request& request) {
        EXPECT_EQ(number, 1u);
        observed.push_back(request);
    });
    const int reader = OpenNode(1);
    const int foreign = OpenNode(2);
    ASSERT_GE(reader, 0);
    ASSERT_GE(foreign, 0);

    hidraw_devinfo info{};
    EXPECT_EQ(IoctlErrno(foreign, HIDIOCGRAWINFO, &info), 0);
    EXPECT_EQ(info.bustype, 3u);
    EXPECT_EQ(static_cast<std::uint16_t>(info.vendor), 0x046D);
    EXPECT_EQ(static_cast<std::uint16_t>(info.product), 0xC52B);

    std::vector<std::uint8_t> report = ReadInfoRequest();
    EXPECT_EQ(::ioctl(reader, HIDIOCSFEATURE(63), report.data()), 63);
    ASSERT_EQ(observed.size(), 1u);
    EXPECT_EQ(observed[0].report, ReadInfoRequest());
    std::vector<std::uint8_t> reply(63, 0);
    reply[0] = 0x41;
    EXPECT_EQ(::ioctl(reader, HIDIOCGFEATURE(63), reply.data()), 63);
    EXPECT_EQ(reply[3], 0xCD);
    EXPECT_EQ(reply[6], 0x92);  // serial 4242, low byte

    // The reader refuses a second read of the same reply; the foreign device has no such report.
    EXPECT_EQ(IoctlErrno(reader, HIDIOCGFEATURE(63), reply.data()), EPIPE);
    EXPECT_EQ(IoctlErrno(foreign, HIDIOCSFEATURE(63), report.data()), EPIPE);
    EXPECT_EQ(IoctlErrno(foreign, HIDIOCGFEATURE(63), reply.data()), EPIPE);
    // Requests hidraw does not know, or cannot carry, fail with an errno.
    int size = 0;
    EXPECT_EQ(IoctlErrno(reader, EVIOCGBIT(0, sizeof(size)), &size), ENOTTY);
    EXPECT_EQ(IoctlErrno(reader, HIDIOCGFEATURE(0), reply.data()), EINVAL);
    EXPECT_EQ(IoctlErrno(reader, _IOWR('U', 0x07, int), &size), ENOTTY);
    EXPECT_EQ(bed.Ioctls(2), 3u);
    EXPECT_EQ(bed.FeatureCalls(2), 2u);

    // A reader describes its reports: 0x41 with 62 data bytes, 0x49 with 574.
    ASSERT_EQ(IoctlErrno(reader, HIDIOCGRDESCSIZE, &size), 0);
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size);
    ASSERT_EQ(IoctlErrno(reader, HIDIOCGRDESC, &descriptor), 0);
    const std::vector<std::uint8_t> value(descriptor.value, descriptor.value + size);
    const std::vector<std::uint8_t> report41 = {0x85, 0x41, 0x95, 0x3E};
    const std::vector<std::uint8_t> report49 = {0x85, 0x49, 0x96, 0x3E, 0x02};
    EXPECT_NE(std::search(value.begin(), value.end(), report41.begin(), report41.end()),
              value.end());
    EXPECT_NE(std::search(value.begin(), value.end(), report49.begin(), report49.end()),
              value.end());
    EXPECT_EQ(value.back(), 0xC0);
    EXPECT_EQ(IoctlErrno(foreign, HIDIOCGRDESCSIZE, &size), EINVAL);
}

TEST_F(BedTest, UnpluggingRemovesTheDeviceAndKillsItsHandlesForGood) {
    bed.AddReader(3, VirtualReader({1175, 1, 2}, {}, link::PRODUCT_ID_51));
    const int before = OpenNode(3);
    ASSERT_GE(before, 0);
    hidraw_devinfo info{};
    ASSERT_EQ(IoctlErrno(before, HIDIOCGRAWINFO, &info), 0);

    bed.Unplug(3);
    EXPECT_FALSE(bed.IsPlugged(3));
    struct stat status {};
    EXPECT_NE(::stat("/sys/class/hidraw/hidraw3", &status), 0);
    EXPECT_EQ(IoctlErrno(before, HIDIOCGRAWINFO, &info), ENODEV);

    bed.Plug(3);
    EXPECT_TRUE(bed.IsPlugged(3));
    EXPECT_EQ(::stat("/sys/class/hidraw/hidraw3/device/uevent", &status), 0);
    EXPECT_EQ(IoctlErrno(before, HIDIOCGRAWINFO, &info), ENODEV);
    const int after = OpenNode(3);
    ASSERT_GE(after, 0);
    EXPECT_EQ(IoctlErrno(after, HIDIOCGRAWINFO, &info), 0);
    EXPECT_EQ(static_cast<std::uint16_t>(info.product), link::PRODUCT_ID_51);
}

TEST_F(BedTest, CountsTheHandlesOpenedAndClosedOnEachNode) {
    bed.AddReader(4, VirtualReader({1175, 1, 2}, {}, link::PRODUCT_ID_51));
    bed.AddReader(5, VirtualReader({141, 1, 2}, {}, link::PRODUCT_ID_41));
    const auto counted = [&](unsigned number, unsigned opens, unsigned closes) {
        return bed.WaitUntil(
            [&] { return bed.Opens(number) == opens && bed.Closes(number) == closes; },
            std::chrono::seconds(10));
    };
    const int first = OpenNode(4);
    const int second = OpenNode(4);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_TRUE(counted(4, 2, 0));
    ::close(first);
    fds.erase(fds.begin());
    EXPECT_TRUE(counted(4, 2, 1));
    // A handle of an unplugged device counts as closed only once it is closed.
    bed.Unplug(4);
    hidraw_devinfo info{};
    EXPECT_EQ(IoctlErrno(second, HIDIOCGRAWINFO, &info), ENODEV);
    EXPECT_EQ(bed.Closes(4), 1u);
    ::close(second);
    fds.clear();
    EXPECT_TRUE(counted(4, 2, 2));
    EXPECT_EQ(bed.Opens(5), 0u);
    EXPECT_EQ(bed.Closes(5), 0u);
    // A condition that never holds: the wait gives up at its deadline.
    EXPECT_FALSE(bed.WaitUntil([] { return false; }, std::chrono::milliseconds(1)));
}

// A refused open (of an unplugged node, or of a /dev path the bed does not have) leaves nothing
// behind in the client: umockdev's preload, which has 50 descriptor slots and aborts past them,
// keeps none for it, and the bed does not count it as an open handle.
TEST_F(BedTest, RefusedOpensLeaveNothingBehindOverManyUnplugsWithAHandleOpen) {
    constexpr unsigned CYCLES = 60;
    bed.AddReader(4, VirtualReader({1175, 1, 2}, {}, link::PRODUCT_ID_51));
    for (unsigned cycle = 0; cycle < CYCLES; ++cycle) {
        const int fd = ::open(UmockdevBed::NodePath(4).c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0) << "cycle " << cycle;
        bed.Unplug(4);
        hidraw_devinfo info{};
        EXPECT_EQ(IoctlErrno(fd, HIDIOCGRAWINFO, &info), ENODEV);
        EXPECT_LT(::open(UmockdevBed::NodePath(4).c_str(), O_RDWR | O_CLOEXEC), 0);
        EXPECT_LT(::open("/dev/hidraw99", O_RDWR | O_CLOEXEC), 0);
        ::close(fd);
        bed.Plug(4);
    }
    EXPECT_TRUE(bed.WaitUntil([&] { return bed.Closes(4) == CYCLES; }, std::chrono::seconds(10)));
    EXPECT_EQ(bed.Opens(4), CYCLES);
    EXPECT_EQ(bed.Closes(4), CYCLES);
}

}  // namespace
}  // namespace zrt::sim
