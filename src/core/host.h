#pragma once
// The machine core reaches the outside world only through this interface. The Qt front panel, the
// headless runner and the tests' scripted host each implement it, so no instruction exists twice and
// the core never sees a widget.

#include <array>
#include <optional>
#include <string>

namespace qx9 {

// Everything a redraw of the front panel shows, computed by the core from the machine state.
struct PanelView {
  std::array<std::string, 8> WordText;  // WBox(0..7): four upper-case hex digits
  std::array<std::string, 8> ByteText;  // BVar(0..7): "B0=34   B1=12" ... "Pins=01 Dirs=80"
  std::array<bool, 8> LedOn{};          // GLED(i) lit when pin i is high
  std::array<bool, 8> SwitchEnabled{};  // GInBtn(i) enabled while pin i is an input
  std::array<bool, 8> SwitchUp{};       // GInBtn(i) position (its tag "1")
  std::string StateText;                // StateBox
};

class Host {
 public:
  virtual ~Host() = default;

  // Modal message box with an OK button; returns when the user has closed it.
  virtual void MessageBox(const std::string& text) = 0;
  // Modal prompt with OK and Cancel and an empty default; nullopt means Cancel.
  virtual std::optional<std::string> Prompt(const std::string& text) = 0;

  // A tone of Sound, and a rest; both return when their time has passed.
  virtual void Tone(int frequencyHz, int durationMs) = 0;
  virtual void Rest(int durationMs) = 0;

  // Timer1: whether the program runs freely. The core owns what Run/Stop does; the host owns the timer
  // and whatever it shows of it (the panel's Run/Stop caption).
  virtual bool TimerEnabled() const = 0;
  virtual void SetTimerEnabled(bool enabled) = 0;
  // Run/Stop started (true) or stopped (false) a free run. A step over's run and its end are not told:
  // they switch the timer only, so the panel's caption keeps offering what Run/Stop last did.
  virtual void SetRunning(bool /*running*/) {}

  // The word boxes as the user may have typed them, read at the start of every cycle.
  virtual std::string WordBoxText(int index) const = 0;
  // What the core may take for granted about the word boxes. Reading them back at every cycle (eight
  // texts, each parsed) changes nothing unless someone typed since the last redraw; a host that can
  // tell says so, and the core then takes back the words it last showed, which is exactly what reading
  // the boxes would give.
  enum class Boxes {
    MayBeEdited,  // someone may have typed: read and parse all eight (always right; the default)
    AsShown,      // every box holds what the last ShowPanel wrote into it
    NoPanel,      // no panel, nothing to type into: no view is built, ShowPanel and WordBoxText unused
  };
  virtual Boxes WordBoxes() const { return Boxes::MayBeEdited; }
  // Redraws every control the panel view covers (word boxes included).
  virtual void ShowPanel(const PanelView& view) = 0;
  // Whether the redraws' view needs StateText (the decoded text): a host that shows no state box says
  // no, and the core then builds no text for the instructions it executes.
  virtual bool ShowsStateText() const { return true; }
  // StateBox alone (the preview of the next instruction).
  virtual void ShowState(const std::string& text) = 0;

  // The value boxes of the simulated outside world.
  virtual std::string PotText() const = 0;
  virtual std::string PulsInText() const = 0;
  virtual void SetLastPWM(const std::string& text) = 0;
};

}  // namespace qx9
