#pragma once

#include "store/Xml.h"

#include <string>

// refreshRate.xml, the web data file that tells the service's pages how often to refresh.

// The namespace of the maker's device classes: "url:", the maker's domain, the class.
constexpr const char* kPowerDeviceNamespace = "url:www.norrin-glassway.example:PowerDeviceClass";

// exeDirectory + "\http\data\refreshRate.xml".
std::string RefreshRateXmlPathFor(const std::string& exeDirectory);

// The document for a refresh rate in milliseconds: the declaration, then SUMMARY holding
// one OBJECT named RefreshRate. The caller releases it with XmlFreeTree.
XmlNode* NewRefreshRateDocument(int milliseconds);

// Builds, writes and releases the document for a refresh-rate text of whole seconds.
// Returns XmlWriteFile's result: 0 leaves the old file in place (a missing http\data
// folder, a read-only file, a failed write).
int WriteRefreshRateXml(const std::string& exeDirectory, const std::string& refreshRateText);
