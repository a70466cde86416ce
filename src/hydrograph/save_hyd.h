// SAVE HYD: writes a slot to a hydrograph file (and prints it), or switches
// the automatic saving of every simulated hydrograph on or off.
#pragma once

#include "model/context.h"

namespace hydrograph {

// PARAM 1 ID (or the switch code 2 / -2), 2 PCYC (0 selects the switch of the
// automatic saving), 3 name mode (0 or more: automatic name; negative: the
// name is given). Texts from STRING 1 and 2 or from the input lines after the
// command line.
void saveHyd(model::RunContext& ctx);

} // namespace hydrograph
