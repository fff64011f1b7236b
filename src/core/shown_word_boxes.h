#pragma once
// Word boxes for a host that has no real ones: they hold what the last redraw wrote until something is
// typed into one, and say so to the core (Host::WordBoxes), which then takes back the words it showed
// instead of parsing eight texts at every cycle. The headless runner and the tests' hosts compose it.

#include <array>
#include <string>

#include "core/host.h"

namespace qx9 {

class ShownWordBoxes {
 public:
  const std::string& Text(int index) const { return texts_.at(static_cast<size_t>(index)); }
  const std::array<std::string, 8>& Texts() const { return texts_; }
  // A redraw: every box holds what the view shows.
  void Show(const PanelView& view) {
    texts_ = view.WordText;
    typed_ = false;
  }
  // Typing into a box: until the next redraw the core must read the boxes.
  void Type(int index, std::string text) {
    texts_.at(static_cast<size_t>(index)) = std::move(text);
    typed_ = true;
  }
  Host::Boxes Mode() const { return typed_ ? Host::Boxes::MayBeEdited : Host::Boxes::AsShown; }

 private:
  std::array<std::string, 8> texts_{};
  bool typed_ = false;
};

}  // namespace qx9
