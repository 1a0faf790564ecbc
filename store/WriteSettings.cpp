#include "store/WriteSettings.h"

#include "store/Numbers.h"
#include "store/RefreshRateXml.h"
#include "store/SettingsFile.h"

void WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                   const std::string& refreshRateText)
{
    WriteSettings(exeDirectory, reset, address, refreshRateText, WriteRefreshRateXml);
}

void WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                   const std::string& refreshRateText, const RefreshRateXmlWriter& writeRefreshRateXml)
{
    const std::string path = SettingsPathFor(exeDirectory);
    WriteSetting(path, kResetKey, reset);
    WriteSetting(path, kAddressKey, address);
    const std::string milliseconds = std::to_string(RefreshRateMilliseconds(refreshRateText));
    writeRefreshRateXml(exeDirectory, refreshRateText);
    WriteSetting(path, kRefreshRateKey, milliseconds);
}
