// Test entry point: GoogleTest with the process's locale left at "C" so that
// number formatting in the runtime is the same on every machine.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
