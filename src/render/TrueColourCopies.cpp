#include "render/TrueColourCopies.h"

#include "render/ImageStore.h"
#include "render/SoftCanvas.h"

#include <algorithm>
#include <cstdint>

namespace cinefold {

namespace {

bool worthCopying(const Section& section) {
    if (!section || section.bitCount == 24 || section.width <= 0 || section.height <= 0)
        return false;
    const std::uint64_t own = std::uint64_t(section.rowLength) * std::uint64_t(section.height);
    const std::uint64_t copied =
        (std::uint64_t(section.width) * 3 + 3) / 4 * 4 * std::uint64_t(section.height);
    return copied <= std::max<std::uint64_t>(3 * own, std::uint64_t(1) << 20);
}

// The section drawn once onto a canvas of its size; null where that canvas cannot be made.
std::shared_ptr<const SoftCanvas> trueColourCopy(const Section& section) {
    auto canvas = std::make_shared<SoftCanvas>(section.width, section.height);
    if (canvas->width() != section.width ||
        !canvas->stretch(0, 0, section.width, section.height, sectionView(section), 0, 0,
                         section.width, section.height, RasterOp::copy))
        return nullptr;
    return canvas;
}

// Whether the weak reference names the very version given, not merely one at the same address.
bool sameVersion(const std::weak_ptr<const SlotVersion>& kept,
                 const std::shared_ptr<const SlotVersion>& version) {
    return !kept.owner_before(version) && !version.owner_before(kept);
}

} // namespace

DibView sectionView(const Section& section) {
    return {section.pixels,
            section.width,
            section.height,
            section.bitCount,
            section.rowLength,
            section.colours.data(),
            int(section.colours.size()),
            false};
}

DibView TrueColourCopies::image(const ImageEntry& entry) {
    return view(entry, entry.drawBitmap, &Copies::image);
}

DibView TrueColourCopies::mask(const ImageEntry& entry) {
    return view(entry, entry.mask, &Copies::mask);
}

DibView TrueColourCopies::view(const ImageEntry& entry, const Section& section, Member copy) {
    if (!entry.version) return sectionView(section);
    auto found = copies_.find(entry.version.get());
    if (found != copies_.end() && !sameVersion(found->second.version, entry.version)) {
        copies_.erase(found);
        found = copies_.end();
    }
    if (found != copies_.end() && found->second.*copy) return (found->second.*copy)->view();
    if (!worthCopying(section)) return sectionView(section);
    std::shared_ptr<const SoftCanvas> made = trueColourCopy(section);
    if (!made) return sectionView(section);
    if (found == copies_.end()) {
        // The copies of slots that have changed or gone since go now, so that they are kept no
        // longer than until the next copy is made.
        std::erase_if(copies_, [](const auto& kept) { return kept.second.version.expired(); });
        found = copies_.emplace(entry.version.get(), Copies{entry.version, nullptr, nullptr}).first;
    }
    found->second.*copy = made;
    return made->view();
}

} // namespace cinefold
