#include "crash_handling.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    installCrashHandling();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
