#pragma once
// Start-up steps around the working folders and the version update, and emptying a folder.
#include "settings/parameter_lists.h"
#include "settings/settings.h"

#include <filesystem>

namespace zyn {

// Creates the working folders of the program folder, each one level ("input" must exist).
// Throws std::filesystem::filesystem_error when a folder cannot be queried or created.
void lf_createFolders();

// A stored package path that ends in "\Community" (or "/Community") loses that ending and is saved,
// so the setting names the folder that holds "Community".
void lf_checkCommunityPath(StringParameter& parameter);

// The first start after a program update; runs right after "parameters.xml" is loaded.
void lf_versionUpdate();

// Loads "parameters.xml" over the values in memory, runs the version update and sets the traffic
// range from LATERAL_RANGE. Once per start-up, also after an in-process restart.
void lf_buildParameterLists();

// Removes the entries of a folder. An entry that cannot be removed (a sub-folder that is not empty,
// a file in use) is logged and skipped. An error walking the folder throws UserErrorException 5.
void gf_removeFolderFiles(const std::filesystem::path& folder);

} // namespace zyn
