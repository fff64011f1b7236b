#include "assets.h"

namespace qx9::assets {

const char* const kLedOn = ":/assets/led_on.png";
const char* const kLedOff = ":/assets/led_off.png";
const char* const kSwitchUp = ":/assets/switch_up.png";
const char* const kSwitchDown = ":/assets/switch_down.png";
const char* const kLogo = ":/assets/logo.png";
const char* const kAppIcon = ":/assets/qx9emu.png";

}  // namespace qx9::assets
