#include "player/FrameCompositor.h"

#include "render/SoftCanvasSelection.h"

namespace cinefold {

template void composeFrame<SoftCanvas>(const Player&, SoftCanvas&);

} // namespace cinefold
