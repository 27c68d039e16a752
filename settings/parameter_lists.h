#pragma once
// The settings as the loader reads them: six lists in a fixed order, which is also the order of the
// keys in a new "parameters.xml".
#include "settings/settings_file.h"

namespace zyn {

ParameterLists gf_parameterLists();

} // namespace zyn
