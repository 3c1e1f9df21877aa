#pragma once
// The compositor and the presentation for the GDI canvas, as the saver paints: instantiated once,
// in SaverCompositor.cpp.

#include "player/FrameCompositor.h"
#include "player/PresentStage.h"
#include "saver/GdiCanvas.h"

namespace cinefold {

extern template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);
extern template void presentStage<GdiCanvas, GdiCanvas>(const Player&, const GdiCanvas&, GdiCanvas&,
                                                        std::int32_t, std::int32_t, std::int32_t,
                                                        std::int32_t);

} // namespace cinefold
