#pragma once
// Resource paths of the bundled bitmaps (linked in through the qx9assets library).

namespace qx9::assets {

extern const char* const kLedOn;       // 33 x 32, lit LED
extern const char* const kLedOff;      // 33 x 32, dark LED
extern const char* const kSwitchUp;    // 41 x 63, lever up
extern const char* const kSwitchDown;  // 47 x 51, lever down, toward the viewer
extern const char* const kLogo;        // 32 x 32, the maker's logo for the splash
extern const char* const kAppIcon;     // 128 x 128, the application icon

}  // namespace qx9::assets
