// make_test_saver CONTAINER OUT32 OUT64: two minimal savers, a PE32 and a PE32+ executable with
// the "RC_DATA" 107 resource, each carrying CONTAINER as a saver carries its animation, for the
// page to be handed. Built by the web preset and run under Node.js on the real file system.

#include "TestBytes.h"

#include "container/Bundle.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace cinefold;
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_test_saver CONTAINER OUT32 OUT64\n");
        return 2;
    }
    std::vector<std::uint8_t> container;
    FileProblem problem;
    if (!readWholeFile(argv[1], container, problem)) return 1;
    for (bool wide : {false, true}) {
        const test::ByteVector offset(4, 0);
        const test::ByteVector saver = test::peWithResource(wide, "RC_DATA", 107, offset);
        std::vector<std::uint8_t> output;
        BundleResult result;
        if (!bundleContainer({saver.data(), saver.size()}, {container.data(), container.size()},
                             output, result, problem) ||
            !test::writeBytes(argv[wide ? 3 : 2], output)) {
            std::fprintf(stderr, "make_test_saver: %s\n", problem.what.c_str());
            return 1;
        }
    }
    return 0;
}
