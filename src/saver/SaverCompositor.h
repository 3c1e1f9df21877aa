#pragma once
// The compositor and the presentation for the GDI canvas, as the saver paints: the compositor is
// instantiated once, in SaverCompositor.cpp.

#include "player/FrameCompositor.h"
#include "player/PresentStage.h"
#include "saver/GdiCanvas.h"

namespace cinefold {

extern template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);
extern template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&, const StageDamage&);

} // namespace cinefold
