// The one file reader: the 64 KiB limit on both sides of its boundary, names in UTF-8 (Polish
// letters reach the system as such on Windows too), and files that cannot be opened or written.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "link/host_system.hpp"
#include "link/text_file.hpp"

namespace zrt::link {
namespace {

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

TEST(TextFile, ReadsUpTo64KiBAndRefusesOneByteMore) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / u8"zrt-żółw";
    const std::filesystem::path file = folder / u8"ustawienia-zażółć.json";
    std::filesystem::create_directories(folder);
    for (const std::size_t size : {0, 64 * 1024, 64 * 1024 + 1}) {
        int why = 0;
        ASSERT_TRUE(WriteTextFile(Utf8(file), std::string(size, '{'), why)) << size;
        EXPECT_EQ(std::filesystem::file_size(file), size);
        FileError error = FileError::None;
        const std::optional<std::string> text = ReadTextFile(Utf8(file), error);
        const bool fits = size <= 64 * 1024;
        EXPECT_EQ(text.has_value(), fits) << size;
        EXPECT_EQ(error, fits ? FileError::None : FileError::TooLarge) << size;
        EXPECT_TRUE(!text || *text == std::string(size, '{')) << size;
    }
    FileError error = FileError::None;
    EXPECT_EQ(ReadTextFile(Utf8(folder / "missing.json"), error), std::nullopt);
    EXPECT_EQ(error, FileError::CannotOpen);
    std::filesystem::remove_all(folder);
}

// A file that cannot be written says why in the system's words: a missing folder, a folder in the
// file's place.
TEST(TextFile, AFileThatCannotBeWrittenGivesTheSystemsReason) {
#ifdef _WIN32
    constexpr int MISSING_FOLDER = 3;  // ERROR_PATH_NOT_FOUND
#else
    constexpr int MISSING_FOLDER = ENOENT;
#endif
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zrt-unwritable";
    std::filesystem::create_directories(folder / "a-folder");
    int why = 0;
    EXPECT_FALSE(WriteTextFile(Utf8(folder / "no-folder" / "x.json"), "{}", why));
    EXPECT_EQ(why, MISSING_FOLDER);
    const std::string missing = SystemErrorText(why, "en");
#ifndef _WIN32
    EXPECT_EQ(missing, "No such file or directory");
#endif
    EXPECT_FALSE(WriteTextFile(Utf8(folder / "a-folder"), "{}", why));
    EXPECT_NE(why, MISSING_FOLDER);
    const std::string folderText = SystemErrorText(why, "en");
    for (const std::string& text : {missing, folderText}) {
        EXPECT_FALSE(text.empty());
        EXPECT_NE(text.back(), '.') << text;
        EXPECT_NE(text.back(), '\n') << text;
    }
    EXPECT_NE(folderText, missing);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zrt::link
