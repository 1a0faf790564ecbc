#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "store/FileOps.h"

namespace cc {

// A small XML writer: a tree of XmlNode records and a serialiser that indents with two
// blanks per level and ends every line with CR LF.
//
// One record serves three kinds of node:
//  - element: has a name; value, attributes and children are optional;
//  - attribute: has a name and a non-empty value, chained through `attributes`;
//  - declaration: no name; its value is the whole text between its angle brackets.
// Every node owns its texts, its attribute chain, its children and its next siblings.
// A document is reached through a holder, a pointer to its first top-level node.
struct XmlNode {
    char* name;
    char* value;
    XmlNode* back;        // parent of a first child, element of a first attribute, else the previous node
    XmlNode* attributes;  // first attribute of an element; next attribute of an attribute
    XmlNode* firstChild;
    XmlNode* nextSibling;
};

// A cleared node from the heap; released by XmlFreeTree.
XmlNode* XmlNewNode();
// Sets all six fields to none; returns the node.
XmlNode* XmlClearNode(XmlNode* node);
// Release the old text and store a copy of `text`, or none.
void XmlSetName(XmlNode* node, const char* text);
void XmlSetValue(XmlNode* node, const char* text);
// Sets or replaces (in place) the attribute whose name matches byte for byte; a value of
// none or "" removes it.
void XmlSetAttribute(XmlNode* element, const char* name, const char* value);
// Links `node` after `previous`, the element or its last attribute.
void XmlAppendAttribute(XmlNode* previous, XmlNode* node);
// Inserts the chain starting at `head` directly after `node`.
void XmlInsertSibling(XmlNode* node, XmlNode* head);
// Inserts the chain starting at `head` in front of the parent's children.
void XmlInsertChild(XmlNode* parent, XmlNode* head);
// Releases the node in the holder with its following siblings, their children and
// attributes and every text, then sets the holder to none.
void XmlFreeTree(XmlNode** holder);

// Owns a document through its first top-level node and releases it with XmlFreeTree,
// also when building it is cut short by an exception.
struct XmlTreeRelease {
    void operator()(XmlNode* first) const { XmlFreeTree(&first); }
};
using XmlTree = std::unique_ptr<XmlNode, XmlTreeRelease>;

// A copy of `text` with " & < > replaced by entities, in one allocation of its exact
// size; the caller releases it with XmlReleaseText.
char* XmlEscape(const char* text);
void XmlReleaseText(char* text);

// The byte stream the serialiser writes to. It remembers the first failed write and
// ignores what follows, so that the writer checks once, after the last byte.
class XmlStream {
public:
    virtual ~XmlStream();
    void Put(const char* text);
    void Put(const char* bytes, std::size_t count);
    bool Failed() const;

protected:
    virtual bool WriteBytes(const char* bytes, std::size_t count) = 0;

private:
    bool m_failed = false;
};

// A stream into memory: the whole document is rendered before any file is touched.
class XmlTextStream : public XmlStream {
public:
    const std::string& Text() const;

protected:
    bool WriteBytes(const char* bytes, std::size_t count) override;

private:
    std::string m_text;
};

// Writes the chain starting at `node` and everything below it; false when a write failed.
bool XmlWriteNodes(const XmlNode* node, XmlStream& stream, int depth);

// Renders the document and makes it the whole content of `path` (ReplaceFileContent:
// a reader sees the old file or the whole new one). Returns 1, or 0 when it could not
// be stored: then `path` keeps its old content and no temporary file is left. Running
// out of memory while rendering throws std::bad_alloc before any file is touched.
// `write` is the byte writer, which tests replace to make a write fail.
int XmlWriteFile(const XmlNode* first, const char* path, const FileByteWriter& write = WriteAllBytes);

}  // namespace cc
