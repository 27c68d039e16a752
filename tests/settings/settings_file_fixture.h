#pragma once
// A program folder with an open log and "parameters.xml" in a temporary folder.
#include "base/log.h"
#include "platform/system/clock.h"
#include "settings/settings_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zyn::test {

class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_setClock(&clock);
        gf_setParametersPath(path);
        gf_openLog();
    }
    void TearDown() override
    {
        gf_closeLog();
        gf_setParametersPath({});
        gf_setClock(nullptr);
    }
    std::vector<std::string> logLines() const { return readLines(dir / "Log.txt"); }
    bool logHas(const std::string& line) const
    {
        const auto lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::size_t errorLineCount() const
    {
        const auto lines = logLines();
        return std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.starts_with("===> "); });
    }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
    ManualClock clock;
    const std::filesystem::path path = dir / "parameters.xml";
};

// "<parameters>" holding one element per name/value pair, as pugixml writes it.
inline std::string parametersXml(const std::vector<std::pair<std::string, std::string>>& items)
{
    std::string text = "<?xml version=\"1.0\"?>\n<parameters>\n";
    for (const auto& [name, value] : items)
        text += "\t<parameter name=\"" + name + "\" value=\"" + value + "\" />\n";
    return text + "</parameters>\n";
}

} // namespace zyn::test

#include <pugixml.hpp>

namespace zyn::test {

// The (name, value) pairs of every "parameter" element under the root, in file order.
inline std::vector<std::pair<std::string, std::string>> parameterElements(const std::filesystem::path& file)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(file.c_str())) << file;
    std::vector<std::pair<std::string, std::string>> items;
    for (auto node : document.document_element().children("parameter"))
        items.emplace_back(node.attribute("name").value(), node.attribute("value").value());
    return items;
}

} // namespace zyn::test

namespace zyn::test {

// Every parameter of the six lists, in the loader's order.
inline std::vector<const Parameter*> listedInOrder(const ParameterLists& lists)
{
    std::vector<const Parameter*> all;
    all.insert(all.end(), lists.bools.begin(), lists.bools.end());
    all.insert(all.end(), lists.checkBoxes.begin(), lists.checkBoxes.end());
    all.insert(all.end(), lists.ints.begin(), lists.ints.end());
    all.insert(all.end(), lists.intBoxes.begin(), lists.intBoxes.end());
    all.insert(all.end(), lists.texts.begin(), lists.texts.end());
    all.insert(all.end(), lists.textBoxes.begin(), lists.textBoxes.end());
    return all;
}

} // namespace zyn::test
