#pragma once
// What the start-up asks of the livery catalogue.
namespace zyn {

// Downloads and reads the aircraft and airline database ("dbase.xml"); once per process. True when
// the whole file was read; every failure throws.
bool gf_readDbase();
// Rescans the installed liveries when SCAN_LIVERIES asks for it, else reads "LiveriesScanned.xml";
// always ends by building the livery index.
void gf_scanLiveries();

} // namespace zyn
