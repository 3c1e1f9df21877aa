#include "saver/SaverCompositor.h"

namespace cinefold {

template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);
template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&, const StageDamage&);

} // namespace cinefold
