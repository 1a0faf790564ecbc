#include "store/RefreshRateXml.h"

#include "store/Numbers.h"

#include <new>

std::string RefreshRateXmlPathFor(const std::string& exeDirectory)
{
    return exeDirectory + "\\http\\data\\refreshRate.xml";
}

XmlNode* NewRefreshRateDocument(int milliseconds)
{
    // Each node joins the document before it gets its texts, so that a failed
    // allocation releases everything built so far.
    XmlNode* document = XmlNewNode();
    try {
        XmlSetValue(document, "?xml version=\"1.0\" encoding=\"ISO-8859-1\"?");

        XmlNode* summary = XmlNewNode();
        XmlInsertSibling(document, summary);
        XmlSetName(summary, "SUMMARY");
        XmlSetAttribute(summary, "Version", "2.0");
        XmlSetAttribute(summary, "xmlns", kPowerDeviceNamespace);

        XmlNode* object = XmlNewNode();
        XmlInsertChild(summary, object);
        XmlSetName(object, "OBJECT");
        XmlSetAttribute(object, "name", "RefreshRate");
        XmlSetValue(object, std::to_string(milliseconds).c_str());
    } catch (const std::bad_alloc&) {
        XmlFreeTree(&document);
        throw;
    }
    return document;
}

int WriteRefreshRateXml(const std::string& exeDirectory, const std::string& refreshRateText)
{
    const std::string path = RefreshRateXmlPathFor(exeDirectory);
    try {
        XmlNode* document = NewRefreshRateDocument(RefreshRateMilliseconds(refreshRateText));
        const int written = XmlWriteFile(document, path.c_str());
        XmlFreeTree(&document);
        return written;
    } catch (const std::bad_alloc&) {
        // Out of memory: the old file stays, as after any failed write.
        return 0;
    }
}
