#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/Choice.h"
#include "store/FileOps.h"
#include "store/RefreshRateXml.h"

namespace cc {

// Files named in a store's outcome, each once, in the order of the writes.
using UnsavedFiles = std::vector<std::string>;

struct StoreOutcome {
    // The file whose write or read-back failed; empty when everything was stored.
    UnsavedFiles unsaved;
    // After a failure, the files that could not be put back as they were: they hold
    // part of the new choice. Empty whenever the store left both files as they were.
    UnsavedFiles leftChanged;
};

using RefreshRateXmlWriter =
    std::function<RefreshRateXmlResult(const std::string& exeDirectory, int refreshMilliseconds)>;

// The apply-time write, all or nothing across GlasswayConfig.ini and refreshRate.xml.
// Both files' bytes (or their absence) are kept first. The settings are written with the
// profile calls into a copy of the settings file (ScratchFile): Reset, IPAddress, then
// refreshRate.xml itself, then RefreshRate, so that the service never sees a new
// RefreshRate before the file that goes with it. The copy is read back as the service
// reads it and then replaces the settings file whole (ReplaceFileContent), so the
// service reads the old file or the new one. At the first failed write or read-back
// both files are put back as they were, and only then is the failure reported. A
// missing http\data folder is nothing to write, not a failure. A reset or controller text
// that the profile read would not give back (ProfileReadBackProblem) is refused before
// anything is written. Tests replace the refreshRate.xml step and the byte writer.
StoreOutcome WriteSettings(const std::string& exeDirectory, const std::string& reset, const Choice& choice,
                           const RefreshRateXmlWriter& writeRefreshRateXml = WriteRefreshRateXml,
                           const FileByteWriter& write = WriteAllBytes);

}  // namespace cc
