// The saver's one persistent option. Placeholder until the settings store lands: nothing is
// stored, so the option is always off.

#include "player/Player.h"

namespace cinefold {

int Player::readSetting(const char*, std::string&) {
    return 0;
}

void Player::writeSetting(const char*, const char*) {}

} // namespace cinefold
