#pragma once
// "parameters.xml": the settings' values in the per-user data folder. Root "parameters", one
// "parameter" element per key with the attributes "name" and "value". Read once per start-up,
// rewritten whole (atomically, one save at a time) each time a value changes.
#include "settings/settings.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace zyn {

// The six lists in which the loader reads, logs and, for a new file, writes the keys.
struct ParameterLists {
    std::vector<BoolParameter*> bools{};                 // 1: booleans without a check box
    std::vector<BoolControlParameter*> checkBoxes{};     // 2: booleans with a check box
    std::vector<IntParameter*> ints{};                   // 3: integers without an edit box
    std::vector<IntControlParameter*> intBoxes{};        // 4: integers with an edit box
    std::vector<StringParameter*> texts{};               // 5: texts without an edit box (and the lfolders)
    std::vector<StringControlParameter*> textBoxes{};    // 6: texts with an edit box
};

// Path of "parameters.xml" in the per-user data folder.
std::filesystem::path gf_parametersPath();
// Points the settings at another file; an empty path goes back to the per-user data folder.
void gf_setParametersPath(std::filesystem::path path);
// Where a file that could not be loaded is kept: "parameters.xml.bad" beside it.
std::filesystem::path gf_parametersBackupPath();

// Reads every listed key from the file, or adds it with its default, and saves the file; then shows
// the values in the check boxes and edit boxes of lists 2, 4 and 6.
void gf_loadParameters(const ParameterLists& lists);
// Set once gf_loadParameters has read the file in this process (cleared by gf_resetSettings). Until
// then the values in memory are the defaults, not the user's: what the quit writes back of them
// would replace the user's settings.
extern std::atomic<std::uint8_t> g_settingsRead;

// Read one key from a loaded document into the parameter. Not found: the parameter takes its
// default, which is appended to the document when it has a "parameters" root. True when found.
bool readBoolParameter(BoolParameter& parameter, pugi::xml_document& document, bool log);
bool readIntParameter(IntParameter& parameter, pugi::xml_document& document, bool log);
bool readStringParameter(StringParameter& parameter, pugi::xml_document& document, bool log);

// Save one parameter's current value into the file; callers set the value first.
void saveParameter(const StringParameter& parameter);
void saveIntParameter(const IntParameter& parameter);
// False when the file could not be written (logged); the value in memory stays as set.
bool gf_writeParametersXml(const BoolParameter& parameter);
// Several values in one write of the file: all of them saved, or (false) none.
bool gf_writeParametersXml(std::initializer_list<const BoolParameter*> parameters);
// A step set here runs in each saver above that keeps the user's own value, between keeping it and
// writing the file (tests bring the end of parking in at that moment); none is set in the program.
using SaveStep = void (*)();
void gf_setSaveStep(SaveStep step);

// The first "parameter" child of the root "parameters" whose "name" is the key; empty when none.
pugi::xml_node gf_findParameterNode(const pugi::xml_document& document, std::string_view key);

// Element writers, shared with the airport parking files: append a "parameter" child with "name"
// and "value" when the node is an element or a document (true), otherwise do nothing (false).
bool gf_appendParameterNode(pugi::xml_node node, std::string_view key, std::string_view text);
bool gf_appendIntParameterNode(pugi::xml_node node, std::string_view key, std::int32_t value);
bool gf_appendBoolParameterNode(pugi::xml_node node, std::string_view key, bool value);
// Sets an existing attribute to the integer; false when the node has no such attribute.
bool gf_setIntAttribute(pugi::xml_node node, std::string_view attribute, std::int32_t value);

// "{key}={value}" in the log.
void logParameter(const StringParameter& parameter);
void logIntParameter(const IntParameter& parameter);
void logBoolParameter(const BoolParameter& parameter);

} // namespace zyn
