#include "container/PeResources.h"
namespace cinefold {
bool isPeFile(Bytes) { return false; }
OffsetResource findOffsetResource(Bytes) { return {}; }
}
