#pragma once

#include "store/Xml.h"

#include <string>

namespace cc {

// refreshRate.xml, the web data file that tells the service's pages how often to refresh.

// The namespace of the maker's device classes: "url:", the maker's domain, the class.
constexpr const char* kPowerDeviceNamespace = "url:www.norrin-glassway.example:PowerDeviceClass";

// exeDirectory + "\http\data\refreshRate.xml".
std::string RefreshRateXmlPathFor(const std::string& exeDirectory);

// The document for a refresh rate in milliseconds: the declaration, then SUMMARY holding
// one OBJECT named RefreshRate. Out of memory, it throws std::bad_alloc and leaves
// nothing allocated.
XmlTree NewRefreshRateDocument(int milliseconds);

enum class RefreshRateXmlResult {
    Written,
    NoDataFolder,  // nothing at http\data: the service has no web pages there, nothing to write
    Failed,        // the old file, if any, is kept; also for a file in the folder's place
};

// Builds, writes and releases the document for a refresh rate in milliseconds. Running
// out of memory on the way is a failed write, like any other.
RefreshRateXmlResult WriteRefreshRateXml(const std::string& exeDirectory, int refreshMilliseconds);

}  // namespace cc
