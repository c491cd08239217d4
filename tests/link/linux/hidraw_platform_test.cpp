// Tests of the hidraw backend on its own: the HID_ID parser, the sysfs listing over a tree made in
// a temporary folder, how every call fails cleanly on what is not a hidraw device, and the
// changes of the nodes that inotify reports, with the settling of a new node.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/linux/hidraw_platform.hpp"
#include "tests/link/without_access_override.hpp"

namespace zrt::link {
namespace {

namespace fs = std::filesystem;

struct HidIdCase {
    const char* name;
    const char* text;
    std::optional<HidIds> ids;
};

void PrintTo(const HidIdCase& c, std::ostream* out) {
    *out << c.name;
}

class ParseHidIdLineTest : public testing::TestWithParam<HidIdCase> {};

TEST_P(ParseHidIdLineTest, ReadsVendorAndProductOrRefuses) {
    const HidIdCase& c = GetParam();
    HidIds ids{0x1111, 0x2222};
    const bool parsed = ParseHidIdLine(c.text, std::char_traits<char>::length(c.text), ids);
    ASSERT_EQ(parsed, c.ids.has_value()) << c.text;
    if (c.ids) {
        EXPECT_EQ(ids, *c.ids) << c.text;
    } else {
        EXPECT_EQ(ids, (HidIds{0x1111, 0x2222})) << "left as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseHidIdLineTest,
    testing::Values(
        HidIdCase{"Alone", "HID_ID=0003:000013AB:00000041\n", HidIds{0x13AB, 0x41}},
        HidIdCase{"AmongOthers", "DRIVER=hid-generic\nHID_ID=0003:000013AB:00008001\nHID_NAME=R\n",
                  HidIds{0x13AB, 0x8001}},
        HidIdCase{"LowerCaseWithoutNewline", "HID_ID=0018:0000ffff:0000abcd",
                  HidIds{0xFFFF, 0xABCD}},
        HidIdCase{"NotAtLineStart", "HID_NAME=HID_ID=0003:000013AB:00000041\n", std::nullopt},
        HidIdCase{"VendorBeyond16Bits", "HID_ID=0003:000113AB:00000041\n", std::nullopt},
        HidIdCase{"ProductBeyond16Bits", "HID_ID=0003:000013AB:00010041\n", std::nullopt},
        HidIdCase{"NoProduct", "HID_ID=0003:000013AB\n", std::nullopt},
        HidIdCase{"NotHex", "HID_ID=0003:000013AB:0000004G\n", std::nullopt},
        HidIdCase{"NineDigits", "HID_ID=0003:000013AB:000000041\n", std::nullopt},
        HidIdCase{"NoBus", "HID_ID=:000013AB:00000041\n", std::nullopt},
        HidIdCase{"TrailingBlank", "HID_ID=0003:000013AB:00000041 \n", std::nullopt},
        HidIdCase{"Empty", "HID_ID=\n", std::nullopt}, HidIdCase{"NoText", "", std::nullopt}),
    [](const testing::TestParamInfo<HidIdCase>& info) { return std::string(info.param.name); });

// A sysfs class folder and a device folder in a fresh temporary folder.
class HidrawTree : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zrt-hidraw-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        sysfs_ = root_ / "class" / "hidraw";
        dev_ = root_ / "dev";
        fs::create_directories(sysfs_);
        fs::create_directories(dev_);
    }
    void TearDown() override { fs::remove_all(root_); }

    // The entry `name` of the class folder, laid out as the kernel does: a link to the hidraw
    // device below its hid device `device`, whose uevent holds `uevent` (none: no uevent file).
    // With `linked` false the entry is a plain folder instead of a link.
    void AddEntry(const std::string& name, const std::optional<std::string>& uevent,
                  const std::string& device = "", bool linked = true) {
        const fs::path parent = root_ / "devices" / (device.empty() ? name : device);
        const fs::path hidraw = parent / "hidraw" / name;
        fs::create_directories(hidraw);
        if (uevent) {
            std::ofstream(parent / "uevent") << *uevent;
        }
        fs::create_directory_symlink("../..", hidraw / "device");
        if (linked) {
            fs::create_directory_symlink(hidraw, sysfs_ / name);
        } else {
            fs::create_directories(sysfs_ / name);
            fs::create_directory_symlink(parent, sysfs_ / name / "device");
        }
    }
    std::vector<HidInterface> List(HidrawPlatform& platform) {
        std::vector<HidInterface> list;
        EXPECT_TRUE(platform.ListInterfaces(list));
        return list;
    }

    fs::path root_;
    fs::path sysfs_;
    fs::path dev_;
};

TEST_F(HidrawTree, ListsHidrawEntriesInNumericOrderWithTheirHints) {
    AddEntry("hidraw10", "DRIVER=hid-generic\nHID_ID=0003:000013AB:00000041\n");
    AddEntry("hidraw2", "HID_ID=0003:0000046D:0000C52B\n");
    AddEntry("hidraw1", std::nullopt);                      // uevent cannot be read
    AddEntry("hidraw3", "HID_NAME=keyboard\n", "", false);  // no HID_ID line; not a link
    for (const char* other :
         {"hidraw", "hidrawX1", "hidraw1a", "input5", "hidraw4294967296", "hidraw01", "hidraw00"}) {
        AddEntry(other, "HID_ID=0003:000013AB:00000041\n");
    }
    HidrawPlatform platform(sysfs_.string(), dev_.string());

    // Left-overs of an earlier listing must not survive.
    std::vector<HidInterface> list(6, HidInterface{"/stale", HidIds{1, 2}});
    ASSERT_TRUE(platform.ListInterfaces(list));

    const std::string dev = dev_.string();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].path, dev + "/hidraw1");
    EXPECT_EQ(list[0].hint, std::nullopt);
    EXPECT_EQ(list[1].path, dev + "/hidraw2");
    EXPECT_EQ(list[1].hint, (HidIds{0x046D, 0xC52B}));
    EXPECT_EQ(list[2].path, dev + "/hidraw3");
    EXPECT_EQ(list[2].hint, std::nullopt);
    EXPECT_EQ(list[3].path, dev + "/hidraw10");
    EXPECT_EQ(list[3].hint, (HidIds{0x13AB, 0x41}));
}

TEST_F(HidrawTree, HintIsReadAgainOnlyWhenTheEntryLeadsToAnotherDevice) {
    AddEntry("hidraw0", "HID_ID=0003:0000046D:0000C52B\n", "keyboard");
    AddEntry("hidraw1", "HID_NAME=not yet\n", "late");
    HidrawPlatform platform(sysfs_.string(), dev_.string());
    ASSERT_EQ(List(platform).size(), 2u);

    // The same device: its hint is kept, even if its uevent file were to change.
    std::ofstream(root_ / "devices" / "keyboard" / "uevent") << "HID_ID=0003:00000001:00000002\n";
    // An interface without a hint is asked again.
    std::ofstream(root_ / "devices" / "late" / "uevent") << "HID_ID=0003:000013AB:00000051\n";
    std::vector<HidInterface> list = List(platform);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].hint, (HidIds{0x046D, 0xC52B}));
    EXPECT_EQ(list[1].hint, (HidIds{0x13AB, 0x51}));

    // Unplugged, and the number given to a reader: the entry now leads elsewhere.
    fs::remove(sysfs_ / "hidraw0");
    EXPECT_EQ(List(platform).size(), 1u);
    AddEntry("hidraw0", "HID_ID=0003:000013AB:00000041\n", "reader");
    list = List(platform);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].hint, (HidIds{0x13AB, 0x41}));
}

TEST_F(HidrawTree, MissingClassFolderMeansNoInterfacesButAnUnreadableOneFails) {
    std::vector<HidInterface> list(1);
    HidrawPlatform absent((root_ / "nothing").string(), dev_.string());
    EXPECT_TRUE(absent.ListInterfaces(list));
    EXPECT_TRUE(list.empty());

    std::ofstream(root_ / "file") << "x";
    list.resize(1);
    HidrawPlatform notAFolder((root_ / "file").string(), dev_.string());
    EXPECT_FALSE(notAFolder.ListInterfaces(list));
    EXPECT_TRUE(list.empty());
}

TEST_F(HidrawTree, OpenTellsWhyItFailed) {
    HidrawPlatform platform(sysfs_.string(), dev_.string());
    fs::create_directories(dev_ / "folder");
    const std::pair<std::string, OpenError> cases[] = {
        {(dev_ / "hidraw0").string(), OpenError::Gone},
        {"", OpenError::Gone},
        {(dev_ / "folder").string(), OpenError::Other},  // EISDIR
    };
    for (const auto& [path, expected] : cases) {
        OpenError why = OpenError::None;
        EXPECT_EQ(platform.Open(path, why), INVALID_HID_HANDLE) << path;
        EXPECT_EQ(why, expected) << path;
    }
}

// An open that fails with `error`, as the kernel's for another user's node (the tests run as root).
template <int error>
int Refused(const char*, int) {
    errno = error;
    return -1;
}

TEST_F(HidrawTree, AnOpenRefusedForLackOfPermissionIsNoAccess) {
    for (const HidrawPlatform::OpenCall call : {&Refused<EACCES>, &Refused<EPERM>}) {
        HidrawPlatform platform(sysfs_.string(), dev_.string(), call);
        OpenError why = OpenError::None;
        EXPECT_EQ(platform.Open((dev_ / "hidraw0").string(), why), INVALID_HID_HANDLE);
        EXPECT_EQ(why, OpenError::NoAccess);
    }
}

// The lock of a node: two descriptors exclude each other, a wait ends when the holder lets go, and
// closing the holder frees it.
TEST_F(HidrawTree, TheLockIsAnExclusiveFlockOfTheNode) {
    HidrawPlatform platform(sysfs_.string(), dev_.string());
    const std::string node = (dev_ / "hidraw0").string();
    std::ofstream(node) << "";
    const HidHandle first = platform.Open(node);
    const HidHandle second = platform.Open(node);
    ASSERT_NE(first, INVALID_HID_HANDLE);
    ASSERT_NE(second, INVALID_HID_HANDLE);
    using std::chrono::milliseconds;

    EXPECT_EQ(platform.Lock(first, milliseconds{0}), LockResult::Locked);
    EXPECT_EQ(platform.Lock(first, milliseconds{0}), LockResult::Locked) << "held already";
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(platform.Lock(second, milliseconds{60}), LockResult::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - before, milliseconds{60});

    std::thread release([&] {
        std::this_thread::sleep_for(milliseconds{30});
        platform.Unlock(first);
    });
    EXPECT_EQ(platform.Lock(second, milliseconds{5000}), LockResult::Locked);
    release.join();
    EXPECT_EQ(platform.Lock(first, milliseconds{0}), LockResult::Busy);
    platform.Close(second);
    EXPECT_EQ(platform.Lock(first, milliseconds{0}), LockResult::Locked) << "freed by the close";
    platform.Close(first);
    EXPECT_EQ(platform.Lock(INVALID_HID_HANDLE, milliseconds{0}), LockResult::Failed);
}

TEST_F(HidrawTree, EveryCallFailsCleanlyOnWhatIsNotAHidrawDevice) {
    HidrawPlatform platform(sysfs_.string(), dev_.string());
    EXPECT_EQ(platform.Open((dev_ / "hidraw0").string()), INVALID_HID_HANDLE);
    EXPECT_EQ(platform.Open(""), INVALID_HID_HANDLE);

    const fs::path plain = dev_ / "plain";
    std::ofstream(plain) << std::string(64, 'x');
    const HidHandle handle = platform.Open(plain.string());
    ASSERT_NE(handle, INVALID_HID_HANDLE);
    std::uint8_t report[63] = {0x41};
    HidIds ids{7, 8};
    EXPECT_FALSE(platform.GetIds(handle, ids));
    EXPECT_EQ(ids, (HidIds{7, 8}));
    EXPECT_FALSE(platform.SetFeature(handle, report, sizeof(report)));
    EXPECT_FALSE(platform.GetFeature(handle, report, sizeof(report)));
    // Arguments the ioctls cannot carry are refused before any call.
    EXPECT_FALSE(platform.GetFeature(handle, nullptr, 63));
    EXPECT_FALSE(platform.GetFeature(handle, report, 0));
    EXPECT_FALSE(platform.SetFeature(handle, report, HidrawPlatform::MAX_REPORT_LENGTH + 1));
    platform.Close(handle);
    EXPECT_EQ(fcntl(static_cast<int>(handle), F_GETFD), -1) << "descriptor closed";

    for (const HidHandle bad : {INVALID_HID_HANDLE, HidHandle{1} << 40}) {
        EXPECT_FALSE(platform.GetIds(bad, ids));
        EXPECT_FALSE(platform.SetFeature(bad, report, sizeof(report)));
        EXPECT_FALSE(platform.GetFeature(bad, report, sizeof(report)));
        platform.Close(bad);
    }
}

// --- Changes of the nodes (inotify) -----------------------------------------------------------

struct SettleCase {
    const char* name;
    // In order, as the kernel and udev do it: 'c' the node hidraw7 is created for nobody (mode
    // 000), 't' its timestamps are touched (udev applying its rules: an attribute change that
    // gives no access), 'g' it is given to everyone (0666, as udev's uaccess step gives it to the
    // seat's user), 's' the settling time passes; 'x' a file of another name is created, 'o' so
    // many files of other names change that the queue of events overflows, 'd' the node is
    // deleted, '.' nothing happens.
    // After each, whether TakeChanged() said so: 'C' changed, '.' not.
    std::string steps;
    std::string changed;
    OpenError why;  // of an open of hidraw7 at the end
};

void PrintTo(const SettleCase& c, std::ostream* out) {
    *out << c.name;
}

class NodeSettling : public testing::TestWithParam<SettleCase> {
  protected:
    NodeSettling() { platform.SetClock([this] { return now; }); }
    ~NodeSettling() override { fs::remove_all(root); }

    static std::string MakeRoot() {
        char pattern[] = "/tmp/zrt-watch-XXXXXX";
        return mkdtemp(pattern);
    }
    // More events than inotify queues, none of a node (two names in turn, which the kernel does
    // not fold into one event).
    void OverflowTheQueue() {
        std::ifstream limitFile("/proc/sys/fs/inotify/max_queued_events");
        long limit = 0;
        ASSERT_TRUE(limitFile >> limit);
        const std::string names[] = {root + "/tty0", root + "/tty1"};
        for (const std::string& name : names) {
            std::ofstream(name).put('x');
        }
        for (long i = 0; i <= limit; ++i) {
            ASSERT_EQ(::utimensat(AT_FDCWD, names[i % 2].c_str(), nullptr, 0), 0);
        }
    }

    std::string root = MakeRoot();
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
    HidrawPlatform platform{"/nonexistent", root};
};

TEST_P(NodeSettling, ARefusalIsNoAccessOnlyOnceTheNodeSettled) {
    HidChanges* changes = platform.Changes();
    ASSERT_NE(changes, nullptr);
    const std::string node = root + "/hidraw7";
    std::string changed;
    for (const char step : GetParam().steps) {
        switch (step) {
            case 'c':
                ::close(::open(node.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0));  // as the kernel
                break;
            case 't':
                ASSERT_EQ(::utimensat(AT_FDCWD, node.c_str(), nullptr, 0), 0);
                break;
            case 'g':
                fs::permissions(node, fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::group_write |
                                          fs::perms::others_read | fs::perms::others_write);
                break;
            case 's':
                now += HidrawWatch::NODE_SETTLE_TIME;
                break;
            case 'x':
                std::ofstream(root + "/tty7").put('x');
                break;
            case 'd':
                fs::remove(node);
                break;
            case 'o':
                OverflowTheQueue();
                break;
        }
        changed += changes->TakeChanged() ? 'C' : '.';
    }
    EXPECT_EQ(changed, GetParam().changed);
    const test::WithoutAccessOverride asAUser;
    OpenError why = OpenError::None;
    const HidHandle handle = platform.Open(node, why);
    EXPECT_EQ(why, GetParam().why);
    if (handle != INVALID_HID_HANDLE) {
        platform.Close(handle);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, NodeSettling,
    testing::Values(SettleCase{"JustCreated", "c", "C", OpenError::NotReady},
                    SettleCase{"TouchedByUdevButNotYetGivenAccess", "ct.", "CCC",
                               OpenError::NotReady},
                    SettleCase{"GivenAccessAfterItsTimestamps", "ctg", "CCC", OpenError::None},
                    SettleCase{"StillRefusedOnceSettled", "ct.s", "CCCC", OpenError::NoAccess},
                    SettleCase{"SettledAndUnchanged", "cts.", "CCC.", OpenError::NoAccess},
                    SettleCase{"OtherNamesAreNoChange", "x", ".", OpenError::Gone},
                    SettleCase{"AnOverflowedQueueIsAChange", "o.", "C.", OpenError::Gone},
                    SettleCase{"Deleted", "cd.", "CC.", OpenError::Gone}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::link
