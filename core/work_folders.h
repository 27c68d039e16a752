#pragma once
// Start-up steps around the working folders and the version update.
namespace zyn {

// The first start after a program update; runs right after "parameters.xml" is loaded.
void lf_versionUpdate();

} // namespace zyn
