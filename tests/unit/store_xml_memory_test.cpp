// The XML writer releases every block it allocates: a freed tree's nodes, texts and
// attributes, and refreshRate.xml's document after each write. The global allocation
// functions are replaced to count the blocks, so these tests are a program of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "store/RefreshRateXml.h"
#include "store/Xml.h"
#include "store_test_support.h"

using namespace cc;

// Every allocation of this program goes through these, so that a test can see how many
// blocks the XML writer holds, and make one allocation fail. The writer allocates with
// new and new[].
namespace {
std::atomic<long> liveBlocks{0};
// How many allocations succeed before the next one fails; -1 for none failing.
std::atomic<long> allocationsBeforeFailure{-1};
}  // namespace

void* operator new(std::size_t size)
{
    if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0)
        throw std::bad_alloc();
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++liveBlocks;
    return block;
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* block) noexcept
{
    if (block) {
        --liveBlocks;
        std::free(block);
    }
}
void operator delete[](void* block) noexcept
{
    operator delete(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    operator delete(block);
}

namespace {

XmlNode* Element(const char* name, const char* value = nullptr)
{
    XmlNode* node = XmlNewNode();
    XmlSetName(node, name);
    XmlSetValue(node, value);
    return node;
}

}  // namespace

TEST(XmlFreeTree, ReleasesEveryNodeAndText)
{
    const long before = liveBlocks;
    XmlNode* document = XmlNewNode();                // 1 node
    XmlSetValue(document, "?xml version=\"1.0\"?");  // 1 text
    XmlNode* root = Element("ROOT", "value");        // 1 node, 2 texts
    XmlInsertSibling(document, root);
    XmlSetAttribute(root, "a", "1");  // 1 node, 2 texts each
    XmlSetAttribute(root, "b", "2");
    XmlSetAttribute(root, "c", "3");
    XmlSetAttribute(root, "b", "");     // removal releases 3 blocks
    XmlSetName(root, "RENAMED");        // replacement keeps the count
    XmlNode* child = Element("CHILD");  // 1 node, 1 text
    XmlInsertChild(root, child);
    XmlSetAttribute(child, "x", "y");                   // 3 blocks
    XmlInsertChild(child, Element("GRANDCHILD", "g"));  // 3 blocks
    XmlInsertSibling(child, Element("SECOND"));         // 2 blocks
    XmlInsertSibling(root, Element("TRAILER"));         // 2 blocks
    EXPECT_EQ(liveBlocks - before, 2 + 3 + 3 + 3 + 2 + 3 + 3 + 2 + 2);

    XmlFreeTree(&document);

    EXPECT_EQ(document, nullptr);
    EXPECT_EQ(liveBlocks, before);
}

TEST(RefreshRateDocument, IsReleasedWholeAfterEachWrite)
{
    ToolDirectory tool;
    ASSERT_EQ(WriteRefreshRateXml(tool.Path(), 20000), RefreshRateXmlResult::Written);
    const long before = liveBlocks;
    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 25000), RefreshRateXmlResult::Written);
    RemoveTree(tool.Path() + "\\http");
    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 25000), RefreshRateXmlResult::NoDataFolder);
    EXPECT_EQ(liveBlocks, before);
}

TEST(RefreshRateDocument, RunningOutOfMemoryWhileBuildingLeavesNothingAllocated)
{
    // Each round lets one more allocation through before one fails, until the document
    // is built whole.
    bool built = false;
    for (long allowed = 0; allowed < 100 && !built; ++allowed) {
        const long before = liveBlocks;
        allocationsBeforeFailure = allowed;
        try {
            XmlTree document = NewRefreshRateDocument(45000);
            allocationsBeforeFailure = -1;
            built = true;
        } catch (const std::bad_alloc&) {
            // This round's failure; what was built must be gone.
        }
        allocationsBeforeFailure = -1;
        EXPECT_EQ(liveBlocks, before) << allowed << " allocations let through";
    }
    EXPECT_TRUE(built);
}
