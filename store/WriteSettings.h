#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/RefreshRateXml.h"

namespace cc {

// The files that an apply-time write could not store, each named once, in the order
// of the writes; empty when everything was stored.
using UnsavedFiles = std::vector<std::string>;

using RefreshRateXmlWriter = std::function<RefreshRateXmlResult(const std::string& exeDirectory, int refreshSeconds)>;

// The apply-time write: Reset, IPAddress, then refreshRate.xml, then RefreshRate, so
// that the service never sees a new RefreshRate before the file that goes with it. A
// failed write does not stop the following ones, so that as much of the choice as
// possible is kept; a missing http\data folder is nothing to write, not a failure.
// Afterwards the three values are read back through the profile calls the service
// reads them with; one that differs marks the settings file unsaved. A reset or
// address text that the profile read would not give back (ProfileReadBackProblem) is
// refused before anything is written. Tests replace the refreshRate.xml step to see
// the order.
UnsavedFiles WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                           int refreshSeconds, const RefreshRateXmlWriter& writeRefreshRateXml = WriteRefreshRateXml);

}  // namespace cc
