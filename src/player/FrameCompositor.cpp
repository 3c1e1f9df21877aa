#include "player/FrameCompositor.h"

#include "render/SoftCanvasSelection.h"

namespace cinefold {

template void composeFrame<SoftCanvas>(const Player&, SoftCanvas&);
template void composeFrame<SoftCanvas>(const Player&, SoftCanvas&, const StageDamage&);

} // namespace cinefold
