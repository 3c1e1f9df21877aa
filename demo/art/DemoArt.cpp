// cinefold_demo_art OUTPUT_FOLDER: draws the demo animation's pictures into the folder: one PNG
// with transparency per sprite, NN-name.png with NN its image number, and the background as a
// 256-colour palette PNG, 100-background.png. The project demo.json names them.

#include "Background.h"
#include "Palette.h"
#include "Sprites.h"

#include "Paint.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cinefold_demo_art OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    int failures = 0;
    auto check = [&](bool ok, const std::filesystem::path& path) {
        if (!ok) {
            std::fprintf(stderr, "cinefold_demo_art: cannot write %s\n", path.c_str());
            ++failures;
        }
    };
    for (const demo::Sprite& sprite : demo::sprites()) {
        demo::Canvas canvas(sprite.width, sprite.height);
        sprite.draw(canvas.cr(), sprite.width, sprite.height);
        char name[64];
        std::snprintf(name, sizeof name, "%02d-%s.png", sprite.number, sprite.name.c_str());
        check(canvas.writePng((folder / name).string()), folder / name);
    }
    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = demo::drawBackground(width, height);
    const demo::PalettePicture background = demo::reduceColours(rgb, width, height, 256);
    check(demo::writePalettePng((folder / "100-background.png").string(), background),
          folder / "100-background.png");
    return failures ? 1 : 0;
}
