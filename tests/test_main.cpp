#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// A test that leaves readers at a share that never answers lets them go at its end, and they
// may still be ending as the process ends. On Windows a thread that ends while the runtime
// tears itself down can crash the process after every test has passed, so there the process
// ends without that teardown; elsewhere it ends as usual, the leak checker's report included.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef _WIN32
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(result);
#else
    return result;
#endif
}
