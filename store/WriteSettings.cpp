#include "store/WriteSettings.h"

#include "store/Numbers.h"
#include "store/RefreshRateXml.h"
#include "store/SettingsFile.h"

#include <windows.h>

void WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                   const std::string& refreshRateText)
{
    WriteSettings(exeDirectory, reset, address, refreshRateText, WriteRefreshRateXml);
}

void WriteSettings(const std::string& exeDirectory, const std::string& reset, const std::string& address,
                   const std::string& refreshRateText, const RefreshRateXmlWriter& writeRefreshRateXml)
{
    const std::string path = SettingsPathFor(exeDirectory);
    WritePrivateProfileStringA(kSettingsSection, kResetKey, reset.c_str(), path.c_str());
    WritePrivateProfileStringA(kSettingsSection, kAddressKey, address.c_str(), path.c_str());
    const std::string milliseconds = std::to_string(RefreshRateMilliseconds(refreshRateText));
    writeRefreshRateXml(exeDirectory, refreshRateText);
    WritePrivateProfileStringA(kSettingsSection, kRefreshRateKey, milliseconds.c_str(), path.c_str());
}
