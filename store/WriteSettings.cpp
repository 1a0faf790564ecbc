#include "store/WriteSettings.h"

#include <algorithm>

#include "store/RefreshRate.h"
#include "store/SettingsFile.h"

namespace cc {

UnsavedFiles WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                           int refreshSeconds, const RefreshRateXmlWriter& writeRefreshRateXml)
{
    const std::string path = SettingsPathFor(exeDirectory);
    const std::string milliseconds = std::to_string(RefreshRateMilliseconds(refreshSeconds));
    // A value the service would read back otherwise is not stored at all, so that
    // nothing of this choice is half there.
    for (const std::string* value : {&reset, &address}) {
        if (ProfileReadBackProblem(*value))
            return {path};
    }

    UnsavedFiles unsaved;
    const auto note = [&unsaved](bool stored, const std::string& file) {
        if (!stored && std::find(unsaved.begin(), unsaved.end(), file) == unsaved.end())
            unsaved.push_back(file);
    };
    note(WriteSetting(path, kResetKey, reset), path);
    note(WriteSetting(path, kAddressKey, address), path);
    note(writeRefreshRateXml(exeDirectory, refreshSeconds) != RefreshRateXmlResult::Failed,
         RefreshRateXmlPathFor(exeDirectory));
    note(WriteSetting(path, kRefreshRateKey, milliseconds), path);
    // Read back as the service reads them: a value that comes back otherwise is not
    // what was stored, whatever the writes said.
    note(ReadSetting(path, kResetKey) == reset && ReadSetting(path, kAddressKey) == address &&
             ReadSetting(path, kRefreshRateKey) == milliseconds,
         path);
    return unsaved;
}

}  // namespace cc
