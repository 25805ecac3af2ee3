#include "engine/OptionState.h"

namespace zanto::engine {

void ResetOptions(TOptionState& state) {
  // Hooks first: their Release may still expect the task's other state to be intact.
  state.FrameHooks.Clear();
  static_cast<TOptionValues&>(state) = TOptionValues{};
  state.Generic.Reset();
}

}  // namespace zanto::engine
