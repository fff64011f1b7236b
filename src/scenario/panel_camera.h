#pragma once
// The screenshot step's view of the panel, kept behind an interface so the scenario runner stays free of
// the window system: qx9run hands in a camera that builds the real window only when a scenario asks.

#include <array>
#include <string>

#include "core/machine.h"

namespace qx9::scenario {

// Everything the window shows: the machine and the boxes the user types into.
struct PanelScene {
  std::string Program;  // the object file, loaded the way the window loads it
  MachineState State;
  std::array<std::string, 8> WordBoxes;  // as typed, when typed since the last redraw
  std::string Pot;
  std::string PulsIn;
  std::string LastPWM;
  bool Running = false;  // the Run/Stop button says Stop
};

struct ShotResult {
  bool Ok = true;
  std::string Expected;  // on failure: what was wanted, and what came out
  std::string Seen;
};

class PanelCamera {
 public:
  virtual ~PanelCamera() = default;
  // Renders the scene; saves it when saveTo is set and compares it with the image at compareWith when
  // that is set.
  virtual ShotResult Take(const PanelScene& scene, const std::string& saveTo, const std::string& compareWith) = 0;
};

}  // namespace qx9::scenario
