// show: the choice the settings file holds, as it stands.
#include "app/cmd/Commands.h"
#include "app/cmd/Console.h"
#include "app/cmd/ExitCodes.h"
#include "app/cmd/Failures.h"
#include "app/cmd/Output.h"
#include "app/cmd/ServiceDirectory.h"
#include "app/cmd/SetReport.h"
#include "store/SettingsFile.h"

namespace cc {

// RefreshRate as it stands: whole milliseconds as exact seconds, a negative number as
// stored, anything else quoted; never a value the file does not hold.
int Show(const CommandLine& line)
{
    const SettingsPlace settings = LocateSettings(line);
    if (settings.missing)
        return Failed(line, kNoSettings, *settings.missing);
    const std::string& path = settings.settingsPath;
    if (line.format == OutputFormat::Json) {
        Write(stdout, FormatChoiceAsStored(ReadChoiceAsStored(path)));
        return kDone;
    }
    const std::string address = ReadSetting(path, kAddressKey);
    const StoredRefreshRate refreshRate = ReadStoredRefreshRate(path);
    const auto value = [&path](const char* key, const std::string& text) {
        return HasSetting(path, key) ? text : "not stored (" + path + " has no " + key + ")";
    };
    PrintLine(stdout, "Host Controller: " + value(kAddressKey, address));
    PrintLine(stdout, "Refresh rate:    " + value(kRefreshRateKey, RefreshRateAsStored(refreshRate)));
    return kDone;
}

}  // namespace cc
