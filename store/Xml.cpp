#include "store/Xml.h"

#include "store/FileOps.h"

#include <cstring>
#include <memory>
#include <string>

namespace cc {

namespace {

struct EscapeRow {
    char special;
    const char* replacement;
};

constexpr EscapeRow kEscapeTable[] = {
    {'"', "&quot;"},
    {'&', "&amp;"},
    {'<', "&lt;"},
    {'>', "&gt;"},
};

const EscapeRow* FindEscapeRow(char c)
{
    for (const EscapeRow& row : kEscapeTable) {
        if (row.special == c)
            return &row;
    }
    return nullptr;
}

char* CopyText(const char* text)
{
    const std::size_t size = std::strlen(text) + 1;
    char* copy = new char[size];
    std::memcpy(copy, text, size);
    return copy;
}

void ReplaceText(char*& field, const char* text)
{
    XmlReleaseText(field);
    field = nullptr;
    if (text)
        field = CopyText(text);
}

XmlNode* LastOfChain(XmlNode* head)
{
    while (head->nextSibling)
        head = head->nextSibling;
    return head;
}

// Puts the chain starting at `head` into `link`, a link of `owner`, in front of what
// the link held.
void InsertChain(XmlNode* owner, XmlNode*& link, XmlNode* head)
{
    XmlNode* last = LastOfChain(head);
    last->nextSibling = link;
    head->back = owner;
    link = head;
    if (last->nextSibling)
        last->nextSibling->back = last;
}

void PutIndent(XmlStream& stream, int depth)
{
    for (int level = 0; level < depth; ++level)
        stream.Put("  ");
}

void PutEscaped(XmlStream& stream, const char* text)
{
    const std::unique_ptr<char[], void (*)(char*)> escaped(XmlEscape(text), XmlReleaseText);
    stream.Put(escaped.get());
}

void WriteElement(const XmlNode* element, XmlStream& stream, int depth)
{
    PutIndent(stream, depth);
    stream.Put("<");
    stream.Put(element->name);
    for (const XmlNode* attribute = element->attributes; attribute; attribute = attribute->attributes) {
        stream.Put(" ");
        stream.Put(attribute->name);
        stream.Put("=\"");
        PutEscaped(stream, attribute->value);
        stream.Put("\"");
    }
    if (!element->value && !element->firstChild) {
        stream.Put("/>\r\n");
        return;
    }
    stream.Put(">");
    if (element->value)
        PutEscaped(stream, element->value);
    if (element->firstChild) {
        stream.Put("\r\n");
        XmlWriteNodes(element->firstChild, stream, depth + 1);
        PutIndent(stream, depth);
    }
    stream.Put("</");
    stream.Put(element->name);
    stream.Put(">\r\n");
}

}  // namespace

XmlNode* XmlNewNode()
{
    return XmlClearNode(new XmlNode);
}

XmlNode* XmlClearNode(XmlNode* node)
{
    *node = XmlNode{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return node;
}

void XmlSetName(XmlNode* node, const char* text)
{
    ReplaceText(node->name, text);
}

void XmlSetValue(XmlNode* node, const char* text)
{
    ReplaceText(node->value, text);
}

void XmlSetAttribute(XmlNode* element, const char* name, const char* value)
{
    const bool removal = !value || !*value;
    XmlNode* previous = element;
    for (XmlNode* attribute = element->attributes; attribute; attribute = attribute->attributes) {
        if (std::strcmp(attribute->name, name) == 0) {
            if (removal) {
                previous->attributes = attribute->attributes;
                if (attribute->attributes)
                    attribute->attributes->back = previous;
                attribute->attributes = nullptr;
                XmlFreeTree(&attribute);
            } else {
                XmlSetValue(attribute, value);
            }
            return;
        }
        previous = attribute;
    }
    if (removal)
        return;
    XmlNode* attribute = XmlNewNode();
    XmlAppendAttribute(previous, attribute);
    XmlSetName(attribute, name);
    XmlSetValue(attribute, value);
}

void XmlAppendAttribute(XmlNode* previous, XmlNode* node)
{
    previous->attributes = node;
    node->back = previous;
}

void XmlInsertSibling(XmlNode* node, XmlNode* head)
{
    InsertChain(node, node->nextSibling, head);
}

void XmlInsertChild(XmlNode* parent, XmlNode* head)
{
    InsertChain(parent, parent->firstChild, head);
}

void XmlFreeTree(XmlNode** holder)
{
    XmlNode* first = *holder;
    if (!first)
        return;
    // Siblings go from the last back to the second, through the back links.
    XmlNode* last = LastOfChain(first);
    while (last != first) {
        XmlNode* previous = last->back;
        previous->nextSibling = nullptr;
        XmlFreeTree(&last);
        last = previous;
    }
    if (first->firstChild)
        XmlFreeTree(&first->firstChild);
    if (first->attributes)
        XmlFreeTree(&first->attributes);
    XmlReleaseText(first->name);
    XmlReleaseText(first->value);
    delete first;
    *holder = nullptr;
}

char* XmlEscape(const char* text)
{
    const std::size_t length = std::strlen(text);
    std::size_t escapedLength = length;
    for (const char* c = text; *c; ++c) {
        if (const EscapeRow* row = FindEscapeRow(*c))
            escapedLength += std::strlen(row->replacement) - 1;
    }
    char* escaped = new char[escapedLength + 1];
    if (escapedLength == length) {
        std::memcpy(escaped, text, length + 1);
        return escaped;
    }
    char* out = escaped;
    for (const char* c = text; *c; ++c) {
        if (const EscapeRow* row = FindEscapeRow(*c)) {
            const std::size_t replacementLength = std::strlen(row->replacement);
            std::memcpy(out, row->replacement, replacementLength);
            out += replacementLength;
        } else {
            *out++ = *c;
        }
    }
    *out = '\0';
    return escaped;
}

void XmlReleaseText(char* text)
{
    delete[] text;
}

XmlStream::~XmlStream() = default;

void XmlStream::Put(const char* text)
{
    Put(text, std::strlen(text));
}

void XmlStream::Put(const char* bytes, std::size_t count)
{
    if (!m_failed && count > 0 && !WriteBytes(bytes, count))
        m_failed = true;
}

bool XmlStream::Failed() const
{
    return m_failed;
}

const std::string& XmlTextStream::Text() const
{
    return m_text;
}

bool XmlTextStream::WriteBytes(const char* bytes, std::size_t count)
{
    m_text.append(bytes, count);
    return true;
}

bool XmlWriteNodes(const XmlNode* node, XmlStream& stream, int depth)
{
    for (; node; node = node->nextSibling) {
        if (node->name) {
            WriteElement(node, stream, depth);
        } else {
            PutIndent(stream, depth);
            stream.Put("<");
            stream.Put(node->value ? node->value : "");
            stream.Put(">\r\n");
        }
    }
    return !stream.Failed();
}

int XmlWriteFile(const XmlNode* first, const char* path, const FileByteWriter& write)
{
    XmlTextStream document;
    XmlWriteNodes(first, document, 0);
    return ReplaceFileContent(path, document.Text(), write) ? 1 : 0;
}

}  // namespace cc
