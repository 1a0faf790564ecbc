#include "store/WriteSettings.h"

#include <algorithm>

#include "store/Numbers.h"
#include "store/SettingsFile.h"

namespace cc {

UnsavedFiles WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                           int refreshSeconds, const RefreshRateXmlWriter& writeRefreshRateXml)
{
    UnsavedFiles unsaved;
    const auto note = [&unsaved](bool stored, const std::string& file) {
        if (!stored && std::find(unsaved.begin(), unsaved.end(), file) == unsaved.end())
            unsaved.push_back(file);
    };
    const std::string path = SettingsPathFor(exeDirectory);
    note(WriteSetting(path, kResetKey, reset), path);
    note(WriteSetting(path, kAddressKey, address), path);
    const std::string milliseconds = std::to_string(RefreshRateMilliseconds(refreshSeconds));
    note(writeRefreshRateXml(exeDirectory, refreshSeconds) != RefreshRateXmlResult::Failed,
         RefreshRateXmlPathFor(exeDirectory));
    note(WriteSetting(path, kRefreshRateKey, milliseconds), path);
    return unsaved;
}

}  // namespace cc
