#pragma once
// The settings as the loader reads them: six lists in a fixed order, which is also the order of the
// keys in a new "parameters.xml".
#include "core/settings_file.h"

namespace zyn {

ParameterLists gf_parameterLists();

// Loads "parameters.xml" over the values in memory, runs the version update and sets the traffic
// range from LATERAL_RANGE. Once per start-up, also after an in-process restart.
void lf_buildParameterLists();

} // namespace zyn
