// The window's load of what is not a regular file (Linux: a named pipe nobody writes to, which
// would hold the window up for good, and /dev/zero, which never ends): refused at once, unread,
// with its reason, and the controls as they were.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

TEST_F(Behaviour, APipeOrADeviceDroppedOnTheWindowIsRefusedUnread) {
    platform.AddReader(reader51);
    ShowActive();
    Connect();
    Activate();
    ASSERT_TRUE(readers.IsOpen());
    // A folder of this run's own, removed whatever the assertions say.
    std::string folder =
        (std::filesystem::temp_directory_path() / "zrt-settings-pipe-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::unique_ptr<std::string, void (*)(std::string*)> removed(
        &folder, [](std::string* f) { std::filesystem::remove_all(*f); });
    const std::string pipe = folder + "/settings.json";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const config::ConfigState before = win.BuildSettings();
    // /dev/zero first: a load that reads it fails here, before the pipe would hold it up.
    for (const std::string& path : {std::string("/dev/zero"), pipe}) {
        win.FileDropped(path);
        ASSERT_FALSE(boxes.messages.empty());
        ASSERT_EQ(boxes.messages.back(),
                  "Nie można odczytać pliku:\n" + path +
                      "\n\nTo nie jest zwykły plik (lecz np. potok lub urządzenie).");
    }
    EXPECT_EQ(boxes.messages.size(), 2u);
    EXPECT_EQ(win.BuildSettings(), before);
}

}  // namespace
}  // namespace zrt::ui::test
