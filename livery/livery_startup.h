#pragma once
// What the start-up asks of the livery catalogue.
namespace zyn {

// Rescans the installed liveries when SCAN_LIVERIES asks for it, else reads "LiveriesScanned.xml";
// always ends by building the livery index.
void gf_scanLiveries();

} // namespace zyn
