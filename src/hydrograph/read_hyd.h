// READ HYD: reads a hydrograph file (as SAVE HYD and the automatic saving write
// them) into a slot, reports it on the summary output and prints it.
#pragma once

#include "model/context.h"

namespace hydrograph {

// PARAM: 1 ID, 2 NHYD (0 with a quoted name in STRING 1). The file name is the
// next quoted string or columns 21-80 of the input line after the command line.
void readHyd(model::RunContext& ctx);

} // namespace hydrograph
