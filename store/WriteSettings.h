#pragma once

#include <functional>
#include <string>

// The apply-time write: Reset, IPAddress, then refreshRate.xml, then RefreshRate, so
// that the service never sees a new RefreshRate before the file that goes with it.
// Nothing is reported: a failed write does not stop the following ones.
void WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                   const std::string& refreshRateText);

// The same with the refreshRate.xml step replaced; tests use it to see the order.
using RefreshRateXmlWriter = std::function<int(const std::string& exeDirectory, const std::string& refreshRateText)>;
void WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                   const std::string& refreshRateText, const RefreshRateXmlWriter& writeRefreshRateXml);
