#include "store/WriteSettings.h"

#include <optional>

#include "store/RefreshRate.h"
#include "store/SettingsFile.h"

namespace cc {

namespace {

struct Values {
    const std::string& reset;
    const std::string& address;
    std::string milliseconds;
};

// Whether the profile read gives back, from `path`, the three values written.
bool ReadsBack(const std::string& path, const Values& values)
{
    return ReadSetting(path, kResetKey) == values.reset && ReadSetting(path, kAddressKey) == values.address &&
           ReadSetting(path, kRefreshRateKey) == values.milliseconds;
}

// The writes in their order, the settings into a copy that replaces the settings file
// last; the file whose write or read-back failed, none when everything was stored.
std::optional<std::string> WriteInOrder(const std::string& exeDirectory, const FileSnapshot& settingsBefore,
                                        const Values& values, int refreshMilliseconds,
                                        const RefreshRateXmlWriter& writeRefreshRateXml, const FileByteWriter& write)
{
    const std::string path = SettingsPathFor(exeDirectory);
    const ScratchFile copy(path, settingsBefore.bytes, write);
    const std::string& copyPath = copy.Path();
    if (copyPath.empty() || !WriteSetting(copyPath, kResetKey, values.reset) ||
        !WriteSetting(copyPath, kAddressKey, values.address))
        return path;
    if (writeRefreshRateXml(exeDirectory, refreshMilliseconds) == RefreshRateXmlResult::Failed)
        return RefreshRateXmlPathFor(exeDirectory);
    if (!WriteSetting(copyPath, kRefreshRateKey, values.milliseconds) || !ReadsBack(copyPath, values))
        return path;
    const std::optional<FileSnapshot> written = TakeSnapshot(copyPath);
    if (!written || !ReplaceFileContent(path, written->bytes, write))
        return path;
    return std::nullopt;
}

}  // namespace

StoreOutcome WriteSettings(const std::string& exeDirectory, const std::string& reset, const Choice& choice,
                           const RefreshRateXmlWriter& writeRefreshRateXml, const FileByteWriter& write)
{
    const std::string path = SettingsPathFor(exeDirectory);
    // A value the service would read back otherwise is not stored at all, so that
    // nothing of this choice is half there.
    for (const std::string* value : {&reset, &choice.controller}) {
        if (ProfileReadBackProblem(*value))
            return {{path}, {}};
    }
    // What each file held, to put back after a failure; a file that cannot be read
    // whole could not be put back, so nothing is written.
    const std::string xmlPath = RefreshRateXmlPathFor(exeDirectory);
    const std::optional<FileSnapshot> settingsBefore = TakeSnapshot(path);
    if (!settingsBefore)
        return {{path}, {}};
    const std::optional<FileSnapshot> xmlBefore = TakeSnapshot(xmlPath);
    if (!xmlBefore)
        return {{xmlPath}, {}};

    const Values values{reset, choice.controller, std::to_string(choice.refreshMilliseconds)};
    const std::optional<std::string> failed =
        WriteInOrder(exeDirectory, *settingsBefore, values, choice.refreshMilliseconds, writeRefreshRateXml, write);
    if (!failed)
        return {};
    StoreOutcome outcome{{*failed}, {}};
    for (const auto& [file, before] : {std::pair{path, *settingsBefore}, std::pair{xmlPath, *xmlBefore}}) {
        if (TakeSnapshot(file) != before && !PutBack(file, before))
            outcome.leftChanged.push_back(file);
    }
    return outcome;
}

}  // namespace cc
