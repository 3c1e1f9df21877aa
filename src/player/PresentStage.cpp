#include "player/PresentStage.h"

#include "render/SoftCanvasSelection.h"

namespace cinefold {

template void presentStage<SoftCanvas, SoftCanvas>(const Player&, const SoftCanvas&, SoftCanvas&,
                                                   std::int32_t, std::int32_t, std::int32_t,
                                                   std::int32_t);

} // namespace cinefold
