// cinefold_frame_error A B: the mean absolute error per channel between two series of frames of
// the same size, each given as raw 8-bit samples (for instance `ffmpeg ... -f rawvideo
// -pix_fmt rgb24 -` through a pipe), in levels of 0 to 255, with the number of bytes compared and
// the largest difference. Either series may be a pipe: both are read in step, a block at a time.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: cinefold_frame_error A B\n");
        return 2;
    }
    std::FILE* a = std::fopen(argv[1], "rb");
    std::FILE* b = std::fopen(argv[2], "rb");
    if (!a || !b) {
        std::perror(a ? argv[2] : argv[1]);
        return 2;
    }
    std::vector<std::uint8_t> blockA(1 << 20), blockB(1 << 20);
    std::uint64_t samples = 0, total = 0;
    int largest = 0;
    for (;;) {
        const std::size_t gotA = std::fread(blockA.data(), 1, blockA.size(), a);
        const std::size_t gotB = std::fread(blockB.data(), 1, gotA, b);
        for (std::size_t i = 0; i < gotB; ++i) {
            const int difference = std::abs(int(blockA[i]) - int(blockB[i]));
            total += std::uint64_t(difference);
            if (difference > largest) largest = difference;
        }
        samples += gotB;
        if (gotB < gotA) {
            std::fprintf(stderr, "cinefold_frame_error: %s ends after %llu bytes, %s does not\n",
                         argv[2], static_cast<unsigned long long>(samples), argv[1]);
            return 1;
        }
        if (gotA < blockA.size()) break;
    }
    if (std::fgetc(b) != EOF) {
        std::fprintf(stderr, "cinefold_frame_error: %s ends after %llu bytes, %s does not\n",
                     argv[1], static_cast<unsigned long long>(samples), argv[2]);
        return 1;
    }
    std::printf("%.4f mean, %d largest, %llu samples\n", samples ? double(total) / samples : 0.0,
                largest, static_cast<unsigned long long>(samples));
    return 0;
}
