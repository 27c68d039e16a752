#pragma once
// The settings as the loader reads them: six lists in a fixed order, which is also the order of the
// keys in a new "parameters.xml". Read off the settings table (settings/settings.h) in its order.
#include "settings/settings_file.h"

namespace zyn {

ParameterLists gf_parameterLists();

} // namespace zyn
