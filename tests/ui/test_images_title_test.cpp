// The window's title in a program built for test images (ZRT_TEST_IMAGES), which may upload them to
// a reader: linked against that build's firmware library, the title says so.
#include <gtest/gtest.h>

#include "ui/layout.hpp"

namespace zrt::ui {
namespace {

TEST(TestImagesBuild, TheTitleSaysItUploadsTestImages) {
    ASSERT_TRUE(firmware::TestImagesAllowed()) << "not the firmware library of that build";
    EXPECT_EQ(MainCaption(), "ZrT_VivoRaz 1.9 (test images)");
}

}  // namespace
}  // namespace zrt::ui
