#include <gtest/gtest.h>

#include <string>

#include "store/Xml.h"

using namespace cc;

namespace {

class TextStream : public XmlStream {
public:
    std::string text;

protected:
    bool WriteBytes(const char* bytes, std::size_t count) override
    {
        text.append(bytes, count);
        return true;
    }
};

std::string Escaped(const char* text)
{
    char* escaped = XmlEscape(text);
    const std::string result = escaped;
    XmlReleaseText(escaped);
    return result;
}

XmlNode* Element(const char* name, const char* value = nullptr)
{
    XmlNode* node = XmlNewNode();
    XmlSetName(node, name);
    XmlSetValue(node, value);
    return node;
}

// Serialises a chain and releases it.
// An element with each (name, value) set in turn; a value of none removes.
XmlNode* WithAttributes(const char* name, std::initializer_list<std::pair<const char*, const char*>> settings)
{
    XmlNode* element = Element(name);
    for (const auto& [attribute, value] : settings)
        XmlSetAttribute(element, attribute, value);
    return element;
}

std::string Serialised(XmlNode* first)
{
    TextStream stream;
    EXPECT_TRUE(XmlWriteNodes(first, stream, 0));
    XmlFreeTree(&first);
    return stream.text;
}

}  // namespace

TEST(XmlEscape, ReplacesTheFourSpecialCharactersOnly)
{
    EXPECT_EQ(Escaped("a<b&c>d"), "a&lt;b&amp;c&gt;d");
    EXPECT_EQ(Escaped("say \"hi\""), "say &quot;hi&quot;");
    EXPECT_EQ(Escaped("it's"), "it's");
    EXPECT_EQ(Escaped("caf\xE9 \xFF\x80"), "caf\xE9 \xFF\x80");
    EXPECT_EQ(Escaped("&&"), "&amp;&amp;");
    EXPECT_EQ(Escaped("&amp;"), "&amp;amp;");
    EXPECT_EQ(Escaped(""), "");
}

TEST(XmlWriteNodes, WritesValuesAndAttributesEscapedButNeverNames)
{
    XmlNode* element = Element("Name&<", "a<b&c>d \"q\" it's");
    XmlSetAttribute(element, "label", "x<y & \"z\"");
    EXPECT_EQ(Serialised(element),
              "<Name&< label=\"x&lt;y &amp; &quot;z&quot;\">a&lt;b&amp;c&gt;d &quot;q&quot; it's</Name&<>\r\n");
}

TEST(XmlWriteNodes, WritesTheDeclarationUnescaped)
{
    XmlNode* declaration = XmlNewNode();
    XmlSetValue(declaration, "?xml version=\"1.0\" encoding=\"ISO-8859-1\"?");
    XmlSetAttribute(declaration, "ignored", "yes");
    XmlInsertChild(declaration, Element("ignored"));
    XmlInsertSibling(declaration, Element("ROOT"));
    EXPECT_EQ(Serialised(declaration), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<ROOT/>\r\n");
}

TEST(XmlWriteNodes, EmptyElementsAndEmptyText)
{
    EXPECT_EQ(Serialised(Element("EMPTY")), "<EMPTY/>\r\n");
    EXPECT_EQ(Serialised(Element("BLANK", "")), "<BLANK></BLANK>\r\n");
    XmlNode* withAttribute = Element("E");
    XmlSetAttribute(withAttribute, "a", "1");
    EXPECT_EQ(Serialised(withAttribute), "<E a=\"1\"/>\r\n");
}

TEST(XmlWriteNodes, IndentsChildrenTwoBlanksPerLevel)
{
    XmlNode* root = Element("ROOT");
    XmlNode* child = Element("CHILD", "text");
    XmlInsertChild(root, child);
    XmlInsertChild(child, Element("GRANDCHILD"));
    XmlNode* nested = Element("NESTED");
    XmlInsertSibling(child->firstChild, nested);
    XmlInsertChild(nested, Element("LEAF", "1"));
    XmlInsertSibling(child, Element("SECOND", "2"));

    EXPECT_EQ(Serialised(root),
              "<ROOT>\r\n"
              "  <CHILD>text\r\n"
              "    <GRANDCHILD/>\r\n"
              "    <NESTED>\r\n"
              "      <LEAF>1</LEAF>\r\n"
              "    </NESTED>\r\n"
              "  </CHILD>\r\n"
              "  <SECOND>2</SECOND>\r\n"
              "</ROOT>\r\n");
}

TEST(XmlSetAttribute, SetsReplacesInPlaceAndAppendsAfterTheOthers)
{
    XmlNode* element =
        WithAttributes("E", {{"first", "1"}, {"second", "2"}, {"third", "3"}, {"first", "one"}, {"fourth", "4"}});
    EXPECT_EQ(Serialised(element), "<E first=\"one\" second=\"2\" third=\"3\" fourth=\"4\"/>\r\n");
}

TEST(XmlSetAttribute, EmptyOrNoValueRemovesTheAttribute)
{
    XmlNode* element = WithAttributes("E", {{"a", "1"},
                                            {"b", "2"},
                                            {"c", "3"},
                                            {"d", "4"},
                                            {"b", ""},
                                            {"d", nullptr},
                                            {"absent", ""},
                                            {"absent", nullptr}});
    EXPECT_EQ(element->attributes->attributes->back, element->attributes);
    XmlSetAttribute(element, "e", "5");
    EXPECT_EQ(Serialised(element), "<E a=\"1\" c=\"3\" e=\"5\"/>\r\n");

    XmlNode* single = WithAttributes("S", {{"only", "x"}, {"only", ""}});
    EXPECT_EQ(single->attributes, nullptr);
    EXPECT_EQ(Serialised(single), "<S/>\r\n");
}

TEST(XmlSetAttribute, NamesDifferingOnlyInCaseAreTwoAttributes)
{
    XmlNode* element =
        WithAttributes("E", {{"id", "lower"}, {"ID", "upper"}, {"Id", "mixed"}, {"ID", "UPPER"}, {"id", nullptr}});
    EXPECT_EQ(Serialised(element), "<E ID=\"UPPER\" Id=\"mixed\"/>\r\n");
}

TEST(XmlInsert, ChainsGoAfterTheNodeOrInFrontOfTheChildrenLinkedBothWays)
{
    // A sibling chain goes directly after the node.
    XmlNode* a = Element("A");
    XmlNode* d = Element("D");
    XmlInsertSibling(a, d);
    XmlNode* b = Element("B");
    XmlNode* c = Element("C");
    XmlInsertSibling(b, c);
    XmlInsertSibling(a, b);
    EXPECT_EQ(a->nextSibling, b);
    EXPECT_EQ(c->nextSibling, d);
    EXPECT_EQ(b->back, a);
    EXPECT_EQ(d->back, c);
    EXPECT_EQ(Serialised(a), "<A/>\r\n<B/>\r\n<C/>\r\n<D/>\r\n");

    // A child chain goes in front of the parent's existing children.
    XmlNode* parent = Element("P");
    XmlInsertChild(parent, Element("Z"));
    XmlNode* x = Element("X");
    XmlInsertSibling(x, Element("Y"));
    XmlInsertChild(parent, x);
    EXPECT_EQ(parent->firstChild, x);
    EXPECT_EQ(x->back, parent);
    EXPECT_EQ(x->nextSibling->nextSibling->back, x->nextSibling) << "Z links back to Y";
    EXPECT_EQ(Serialised(parent), "<P>\r\n  <X/>\r\n  <Y/>\r\n  <Z/>\r\n</P>\r\n");
}

TEST(XmlFreeTree, EmptyHolderIsLeftAlone)
{
    XmlNode* none = nullptr;
    XmlFreeTree(&none);
    EXPECT_EQ(none, nullptr);
}
