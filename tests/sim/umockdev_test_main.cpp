// The main of the test programs that use the umockdev bed: runs the program again under the
// umockdev preload library when it is not loaded yet, then runs the tests.
#include <gtest/gtest.h>

#include "sim/umockdev_bed.hpp"

int main(int argc, char** argv) {
    if (!zrt::sim::RunUnderUmockdevPreload(argv)) {
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
