#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sstream>
#include <string>

namespace zyn {
namespace {

std::string lf_xml(const pugi::xml_node& node)
{
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

TEST(ParameterNodes, AppendToElementsAndDocumentsOnly)
{
    pugi::xml_document document;
    auto element = document.append_child("parameters");
    EXPECT_TRUE(gf_appendParameterNode(element, "A", "x & <y>"));
    EXPECT_TRUE(gf_appendIntParameterNode(element, "B", -12));
    EXPECT_TRUE(gf_appendBoolParameterNode(element, "C", true));
    EXPECT_TRUE(gf_appendBoolParameterNode(element, "D", false));
    EXPECT_EQ(lf_xml(element), "<parameters><parameter name=\"A\" value=\"x &amp; &lt;y>\"/>"
                               "<parameter name=\"B\" value=\"-12\"/><parameter name=\"C\" value=\"true\"/>"
                               "<parameter name=\"D\" value=\"false\"/></parameters>");

    pugi::xml_document empty;
    EXPECT_TRUE(gf_appendParameterNode(empty, "E", "1"));
    EXPECT_EQ(lf_xml(empty), "<parameter name=\"E\" value=\"1\"/>");

    auto text = element.append_child(pugi::node_pcdata);
    EXPECT_FALSE(gf_appendParameterNode(text, "F", "1"));
    EXPECT_FALSE(gf_appendIntParameterNode(pugi::xml_node{}, "G", 1));
    EXPECT_FALSE(text.first_child());
}

TEST(ParameterNodes, SetIntAttributeOnlyWhenItExists)
{
    pugi::xml_document document;
    auto node = document.append_child("parkpos");
    node.append_attribute("heading").set_value("90");
    EXPECT_TRUE(gf_setIntAttribute(node, "heading", 271));
    EXPECT_FALSE(gf_setIntAttribute(node, "radius", 5));
    EXPECT_EQ(lf_xml(node), "<parkpos heading=\"271\"/>");
}

TEST(ParameterNodes, FindsTheFirstElementOfAKeyUnderTheRootOnly)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string("<parameters>"
                                     "<group><parameter name='K' value='nested'/></group>"
                                     "<parameter name='K' value='first'/><parameter name='K' value='second'/>"
                                     "<parameter name=\"it's &quot;odd&quot;\" value='quoted'/>"
                                     "</parameters>"));
    EXPECT_STREQ(gf_findParameterNode(document, "K").attribute("value").value(), "first");
    EXPECT_STREQ(gf_findParameterNode(document, "it's \"odd\"").attribute("value").value(), "quoted");
    EXPECT_FALSE(gf_findParameterNode(document, "k"));
    EXPECT_FALSE(gf_findParameterNode(document, "K' or '1'='1"));
}

TEST(ParameterNodes, ReadingFromAnotherRootAppendsNothing)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string("<settings><parameter name='MAIN_WINDOW_X' value='10'/></settings>"));
    param::MAIN_WINDOW_X.value = 123;
    EXPECT_FALSE(readIntParameter(param::MAIN_WINDOW_X, document, false));
    EXPECT_EQ(param::MAIN_WINDOW_X.value, param::MAIN_WINDOW_X.defaultValue);
    EXPECT_EQ(lf_xml(document), "<settings><parameter name=\"MAIN_WINDOW_X\" value=\"10\"/></settings>");
}

} // namespace
} // namespace zyn
