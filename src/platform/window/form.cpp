// SPDX-License-Identifier: Apache-2.0
// What every back end's window shares: finding controls and their tab order.
#include "platform/window/form.h"

#include <algorithm>
#include <stdexcept>

namespace platform {

float Recall(const std::optional<RememberedTwips>& set, int pixels, double twips_per_pixel) {
  return set && set->pixels == pixels ? set->twips : static_cast<float>(pixels * twips_per_pixel);
}

Control& Form::Find(const std::string& name, int index) const {
  for (Control* control : order_) {
    if (control->Name() == name && control->Index() == index) return *control;
  }
  throw std::logic_error("no control " + ControlName(name, index) + " on the window");
}

void Form::SortTabOrder() {
  tab_order_.assign(order_.begin(), order_.end());
  std::stable_sort(tab_order_.begin(), tab_order_.end(),
                   [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
}

}  // namespace platform
