#include "saver/SaverCompositor.h"

namespace cinefold {

template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);
template void presentStage<GdiCanvas, GdiCanvas>(const Player&, const GdiCanvas&, GdiCanvas&,
                                                 std::int32_t, std::int32_t, std::int32_t,
                                                 std::int32_t);

} // namespace cinefold
