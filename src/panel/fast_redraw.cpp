// Form1's side of an as-fast-as-possible run: the panel is redrawn once a slice of ticks, not after every
// instruction, and whenever a box opens in the middle of one.
#include "panel/form1.h"

namespace qx9 {

void Form1::SetRedrawDeferred(bool deferred) {
  if (deferred == redrawDeferred_) return;
  // What was typed before the slice counts, as the next cycle would have read it; the redraw makes it
  // what the machine takes the untouched boxes to hold during the slice.
  if (deferred) {
    machine_.ReadWordBoxes();
    machine_.RefreshPanel();
    deferredState_ = display_->LatestState();
  }
  if (!deferred) ShowDeferredRedraw();
  redrawDeferred_ = deferred;
}

// A box that opens in the middle of a slice shows over the panel as it stands, not as the slice found it.
void Form1::ShowDeferredRedraw() {
  if (!redrawDeferred_) return;
  redrawDeferred_ = false;
  machine_.RefreshPanel();
  display_->ShowState(deferredState_);
  redrawDeferred_ = true;
}

}  // namespace qx9
