// Builds the standard fake camera tree (see fakeuvcdriver.h) in a directory,
// for the benchmark and for trying the helper by hand:
//   fakecameratree DIR
//   FAKE_V4L2_DEV_DIR=DIR/dev LD_PRELOAD=.../libfakev4l2shim.so
//     UVCC_HELPER_SYSFS_ROOT=DIR/sys UVCC_HELPER_DEV_ROOT=DIR/dev uvcc-helper devices
//   (all one command line)

#include "fakeuvcdriver.h"

#include <cstdio>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: fakecameratree DIR\n", stderr);
        return 2;
    }
    try {
        fakeuvc::buildStandardTree(argv[1]);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "fakecameratree: %s\n", error.what());
        return 1;
    }
    return 0;
}
