// STORE HYD: a hydrograph typed into the command input file is stored in a
// slot, reported on the summary output and printed with its ordinate table.
#pragma once

#include "model/context.h"

namespace hydrograph {

// PARAM: 1 ID, 2 NHYD (0 with a quoted name in STRING 1), 3 DT (minutes when
// 1 or more, else hours), 4 area, 5 onward the flows ended by a negative value.
void storeHyd(model::RunContext& ctx);

} // namespace hydrograph
