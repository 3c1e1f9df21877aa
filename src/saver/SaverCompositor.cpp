#include "saver/SaverCompositor.h"

namespace cinefold {

template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);

} // namespace cinefold
