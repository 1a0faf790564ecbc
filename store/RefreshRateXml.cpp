#include "store/RefreshRateXml.h"

#include "store/ExeDirectory.h"
#include "store/FileOps.h"
#include "store/RefreshRate.h"

#include <new>

namespace cc {

std::string RefreshRateXmlPathFor(const std::string& exeDirectory)
{
    return exeDirectory + kWebDataFolder + "\\refreshRate.xml";
}

XmlTree NewRefreshRateDocument(int milliseconds)
{
    // Each node joins the document before it gets its texts, so that a failed
    // allocation releases everything built so far.
    XmlTree document(XmlNewNode());
    XmlSetValue(document.get(), "?xml version=\"1.0\" encoding=\"ISO-8859-1\"?");

    XmlNode* summary = XmlNewNode();
    XmlInsertSibling(document.get(), summary);
    XmlSetName(summary, "SUMMARY");
    XmlSetAttribute(summary, "Version", "2.0");
    XmlSetAttribute(summary, "xmlns", kPowerDeviceNamespace);

    XmlNode* object = XmlNewNode();
    XmlInsertChild(summary, object);
    XmlSetName(object, "OBJECT");
    XmlSetAttribute(object, "name", "RefreshRate");
    XmlSetValue(object, std::to_string(milliseconds).c_str());
    return document;
}

RefreshRateXmlResult WriteRefreshRateXml(const std::string& exeDirectory, int refreshMilliseconds)
{
    const std::string path = RefreshRateXmlPathFor(exeDirectory);
    int written = 0;
    // The one place that turns running out of memory into a result: building and
    // rendering the document allocate, and neither has touched the file when it fails.
    try {
        const XmlTree document = NewRefreshRateDocument(refreshMilliseconds);
        written = XmlWriteFile(document.get(), path.c_str());
    } catch (const std::bad_alloc&) {
        // The old file stays, as after any failed write.
    }
    if (written)
        return RefreshRateXmlResult::Written;
    // Only a folder that is not there at all is skipped; a file in the place of http
    // or of http\data means the service's pages are somewhere the tool cannot write.
    const std::string webFolder = DirectoryOf(exeDirectory + kWebDataFolder);
    const bool noDataFolder =
        KindOf(webFolder) == PathKind::Missing ||
        (KindOf(webFolder) == PathKind::Directory && KindOf(exeDirectory + kWebDataFolder) == PathKind::Missing);
    return noDataFolder ? RefreshRateXmlResult::NoDataFolder : RefreshRateXmlResult::Failed;
}

}  // namespace cc
