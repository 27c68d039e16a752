#include "settings/settings_file.h"

#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"

#include <functional>
#include <initializer_list>
#include <mutex>
#include <span>
#include <system_error>
#include <vector>

#include <fmt/format.h>

namespace zyn {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRootName = "parameters";
constexpr const char* kElementName = "parameter";

// One read-modify-write of the file at a time: the window, the start-up and the exit thread all save.
// Never held while waiting for another thread (the controls are set after it is released).
std::mutex g_parametersFileMutex;

std::mutex g_parametersPathMutex;
fs::path g_parametersPathOverride;

SaveStep g_saveStep = nullptr;

// What the file on disk gave the loader or a saver.
enum class FileState {
    Loaded,   // a "parameters" document
    Missing,  // no file yet
    BackedUp, // unusable; kept as the backup, so it may be replaced
    Unsafe,   // unusable and the backup failed: it must not be replaced
};

const char* lf_boolText(bool value) { return value ? "true" : "false"; }

bool lf_isLfolderKey(std::string_view key) { return key.find("lfolder") != std::string_view::npos; }

bool lf_hasParametersRoot(const pugi::xml_document& document)
{
    return std::string_view(document.document_element().name()) == kRootName;
}

// Keeps an unusable file beside the original before anything replaces it.
bool lf_keepBackup(const fs::path& path, std::string_view reason)
{
    const auto backup = gf_parametersBackupPath();
    std::error_code error;
    gf_copyFile(path, backup, ExistingTarget::Replace, error);
    if (error) {
        gf_logErrorf("\"{}\" could not be read ({}) nor kept as \"{}\" ({}); it is left as it is", gf_utf8FromPath(path),
                     reason, gf_utf8FromPath(backup), gf_errorText(error));
        return false;
    }
    gf_logErrorf("\"{}\" could not be read ({}); kept as \"{}\"", gf_utf8FromPath(path), reason, gf_utf8FromPath(backup));
    return true;
}

// Loads the file into the document. Anything but a loaded "parameters" document leaves the
// document empty, and a file that exists but cannot be used is backed up first.
FileState lf_loadParametersFile(pugi::xml_document& document, const fs::path& path)
{
    const auto result = document.load_file(path.c_str());
    if (result && lf_hasParametersRoot(document))
        return FileState::Loaded;
    document.reset();
    std::error_code error;
    if (!fs::exists(path, error) && !error)
        return FileState::Missing;
    const std::string reason =
        result ? fmt::format("root element is not \"{}\"", kRootName)
               : fmt::format("{} at offset {}", result.description(), result.offset);
    return lf_keepBackup(path, reason) ? FileState::BackedUp : FileState::Unsafe;
}

bool lf_saveChangedFile(const pugi::xml_document& document, const fs::path& path)
{
    try {
        gf_saveXmlAtomic(document, path);
        return true;
    } catch (const fs::filesystem_error& e) {
        gf_logError("saving xml did not work?");
        gf_logIndented(gf_exceptionText(e));
        return false;
    }
}

// The value of a found element, or an empty attribute when the element has none.
pugi::xml_attribute lf_valueAttribute(pugi::xml_node node) { return node.attribute("value"); }

// Missing keys are added only to a "parameters" document.
void lf_appendIfRoot(pugi::xml_document& document, std::string_view key, std::string_view text)
{
    if (lf_hasParametersRoot(document))
        gf_appendParameterNode(document.document_element(), key, text);
}

// Looks the key up: when found, take reads its value; otherwise takeDefault sets the default and
// returns its text, which is appended to a "parameters" document. True when found.
bool lf_readOrAppend(pugi::xml_document& document, std::string_view key,
                     const std::function<void(pugi::xml_attribute)>& take,
                     const std::function<std::string()>& takeDefault)
{
    const auto node = gf_findParameterNode(document, key);
    if (node)
        take(lf_valueAttribute(node));
    else
        lf_appendIfRoot(document, key, takeDefault());
    return static_cast<bool>(node);
}

struct KeyText {
    std::string_view key;
    std::string text;
};

// The one saver: sets or appends each key's element and writes the file once, so that either all
// of the values are saved or none. True when written.
bool lf_saveValues(std::span<const KeyText> values)
{
    const auto path = gf_parametersPath();
    std::lock_guard lock(g_parametersFileMutex);
    pugi::xml_document document;
    const auto state = lf_loadParametersFile(document, path);
    if (state == FileState::Unsafe) {
        for (const KeyText& value : values)
            gf_logf("{}={}", value.key, value.text);
        gf_logError("saving xml did not work?");
        return false;
    }
    if (state != FileState::Loaded)
        document.append_child(kRootName);
    for (const auto& [key, text] : values) {
        if (auto node = gf_findParameterNode(document, key)) {
            auto value = lf_valueAttribute(node);
            if (!value)
                value = node.append_attribute("value");
            value.set_value(text.c_str());
        } else {
            gf_appendParameterNode(document.document_element(), key, text);
        }
        gf_logf("{}={}", key, text);
    }
    return lf_saveChangedFile(document, path);
}

bool lf_saveValue(std::string_view key, const std::string& text)
{
    const KeyText value{key, text};
    return lf_saveValues({&value, 1});
}

void lf_addInitParameter(pugi::xml_node root, std::string_view key, const std::string& text)
{
    if (!gf_appendParameterNode(root, key, text))
        gf_logErrorf("adding init xml parameter {} with {} failed!", key, text);
}

// A new document holding every listed key with its default; the values in memory become the defaults.
void lf_writeDefaults(const ParameterLists& lists, pugi::xml_document& document)
{
    auto root = document.append_child(kRootName);
    auto addBool = [&](BoolParameter& p) {
        lf_addInitParameter(root, p.key, lf_boolText(p.defaultValue != 0));
        p.value = p.defaultValue;
        logBoolParameter(p);
    };
    auto addInt = [&](IntParameter& p) {
        lf_addInitParameter(root, p.key, std::to_string(p.defaultValue));
        p.value = p.defaultValue;
        logIntParameter(p);
    };
    auto addText = [&](StringParameter& p) {
        lf_addInitParameter(root, p.key, p.defaultValue);
        p.setValue(p.defaultValue);
        logParameter(p);
    };
    for (auto* p : lists.bools)
        addBool(*p);
    for (auto* p : lists.checkBoxes)
        addBool(*p);
    for (auto* p : lists.ints)
        addInt(*p);
    for (auto* p : lists.intBoxes)
        addInt(*p);
    for (auto* p : lists.texts)
        if (!lf_isLfolderKey(p->key))
            addText(*p);
    for (auto* p : lists.textBoxes)
        addText(*p);
}

// An lfolder key is kept only while it names a folder: an empty one leaves the file.
void lf_readLfolder(StringParameter& parameter, pugi::xml_document& document)
{
    const auto node = gf_findParameterNode(document, parameter.key);
    parameter.setValue(node ? lf_valueAttribute(node).as_string() : parameter.defaultValue);
    if (!parameter.empty()) {
        logParameter(parameter);
    } else if (node) {
        node.parent().remove_child(node);
        gf_logf("Parameter {} removed", parameter.key);
    }
}

void lf_readLists(const ParameterLists& lists, pugi::xml_document& document)
{
    for (auto* p : lists.bools)
        readBoolParameter(*p, document, true);
    for (auto* p : lists.checkBoxes)
        readBoolParameter(*p, document, true);
    for (auto* p : lists.ints)
        readIntParameter(*p, document, true);
    for (auto* p : lists.intBoxes)
        readIntParameter(*p, document, true);
    for (auto* p : lists.texts) {
        if (lf_isLfolderKey(p->key))
            lf_readLfolder(*p, document);
        else
            readStringParameter(*p, document, true);
    }
    for (auto* p : lists.textBoxes)
        readStringParameter(*p, document, true);
}

// Shows the values in the check boxes and edit boxes. Each is a message to the window's thread.
void lf_showControls(const ParameterLists& lists)
{
    for (auto* p : lists.checkBoxes)
        gf_showCheckBox(*p);
    for (auto* p : lists.intBoxes)
        gf_setBoxInt(*p);
    for (auto* p : lists.textBoxes)
        gf_setBoxText(*p);
}

} // namespace

std::atomic<std::uint8_t> g_settingsRead{0};

fs::path gf_parametersPath()
{
    std::lock_guard lock(g_parametersPathMutex);
    if (!g_parametersPathOverride.empty())
        return g_parametersPathOverride;
    return gf_parametersXmlPath();
}

void gf_setParametersPath(fs::path path)
{
    std::lock_guard lock(g_parametersPathMutex);
    g_parametersPathOverride = std::move(path);
}

fs::path gf_parametersBackupPath()
{
    auto path = gf_parametersPath();
    path += ".bad";
    return path;
}

void gf_loadParameters(const ParameterLists& lists)
{
    gf_log(gf_starBanner(70, 0, true, false, "parameters"));
    const auto path = gf_parametersPath();
    {
        std::lock_guard lock(g_parametersFileMutex);
        pugi::xml_document document;
        const auto state = lf_loadParametersFile(document, path);
        if (state == FileState::Loaded) {
            gf_logf("from \"{}\"", gf_utf8FromPath(path));
            lf_readLists(lists, document);
            gf_saveXml(document, path);
        } else {
            gf_logf("{} not found, default values taken:", gf_utf8FromPath(path));
            lf_writeDefaults(lists, document);
            if (state != FileState::Unsafe)
                gf_saveXml(document, path);
        }
        g_settingsRead = 1;
    }
    lf_showControls(lists);
    gf_log(gf_starBanner(80, 0, false, true, ""));
}

bool readBoolParameter(BoolParameter& parameter, pugi::xml_document& document, bool log)
{
    const bool found = lf_readOrAppend(
        document, parameter.key, [&](pugi::xml_attribute value) { parameter.value = value.as_bool() ? 1 : 0; },
        [&] {
            parameter.value = parameter.defaultValue;
            return std::string(lf_boolText(parameter.on()));
        });
    if (log)
        logBoolParameter(parameter);
    return found;
}

bool readIntParameter(IntParameter& parameter, pugi::xml_document& document, bool log)
{
    const bool found = lf_readOrAppend(
        document, parameter.key, [&](pugi::xml_attribute value) { parameter.value = parameter.clamp(value.as_int()); },
        [&] {
            parameter.value = parameter.defaultValue;
            return std::to_string(parameter.defaultValue);
        });
    if (log)
        logIntParameter(parameter);
    return found;
}

bool readStringParameter(StringParameter& parameter, pugi::xml_document& document, bool log)
{
    const bool found = lf_readOrAppend(
        document, parameter.key, [&](pugi::xml_attribute value) { parameter.setValue(value.as_string()); },
        [&] {
            parameter.setValue(parameter.defaultValue);
            return parameter.defaultValue;
        });
    if (log)
        logParameter(parameter);
    return found;
}

void saveParameter(const StringParameter& parameter) { lf_saveValue(parameter.key, parameter.getValue()); }

// The user's own value is kept before the file is written: the end of parking in between gives this
// value back, where after the write it would undo in memory what the file holds.
void saveIntParameter(const IntParameter& parameter)
{
    gf_keepUsersAirportSetting(parameter);
    if (g_saveStep)
        g_saveStep();
    lf_saveValue(parameter.key, std::to_string(parameter.value.load()));
}

bool gf_writeParametersXml(const BoolParameter& parameter)
{
    gf_keepUsersAirportSetting(parameter);
    if (g_saveStep)
        g_saveStep();
    return lf_saveValue(parameter.key, lf_boolText(parameter.on()));
}

bool gf_writeParametersXml(std::initializer_list<const BoolParameter*> parameters)
{
    std::vector<KeyText> values;
    for (const BoolParameter* parameter : parameters) {
        gf_keepUsersAirportSetting(*parameter);
        values.push_back({parameter->key, lf_boolText(parameter->on())});
    }
    if (g_saveStep)
        g_saveStep();
    return lf_saveValues(values);
}

void gf_setSaveStep(SaveStep step) { g_saveStep = step; }

pugi::xml_node gf_findParameterNode(const pugi::xml_document& document, std::string_view key)
{
    // The key goes in as a variable, so no key text can change the query.
    pugi::xpath_variable_set variables;
    variables.set("key", std::string(key).c_str());
    const pugi::xpath_query query("/parameters/parameter[@name = $key]", &variables);
    return document.select_node(query).node();
}

bool gf_appendParameterNode(pugi::xml_node node, std::string_view key, std::string_view text)
{
    if (node.type() != pugi::node_element && node.type() != pugi::node_document)
        return false;
    auto element = node.append_child(kElementName);
    return element && element.append_attribute("name").set_value(std::string(key).c_str()) &&
           element.append_attribute("value").set_value(std::string(text).c_str());
}

bool gf_appendIntParameterNode(pugi::xml_node node, std::string_view key, std::int32_t value)
{
    return gf_appendParameterNode(node, key, std::to_string(value));
}

bool gf_appendBoolParameterNode(pugi::xml_node node, std::string_view key, bool value)
{
    return gf_appendParameterNode(node, key, lf_boolText(value));
}

bool gf_setIntAttribute(pugi::xml_node node, std::string_view attribute, std::int32_t value)
{
    auto found = node.attribute(std::string(attribute).c_str());
    return found && found.set_value(value);
}

void logParameter(const StringParameter& parameter) { gf_logf("{}={}", parameter.key, parameter.getValue()); }

void logIntParameter(const IntParameter& parameter) { gf_logf("{}={}", parameter.key, parameter.value.load()); }

void logBoolParameter(const BoolParameter& parameter) { gf_logf("{}={}", parameter.key, lf_boolText(parameter.on())); }

} // namespace zyn
