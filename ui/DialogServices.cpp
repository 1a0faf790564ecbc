#include "ui/DialogServices.h"

#include <winsock2.h>

#include <cstring>

#include "framework/Wnd.h"
#include "nrcore/NRController.h"
#include "store/ExeDirectory.h"

std::vector<std::string> LocalHostAddresses()
{
    std::vector<std::string> addresses;
    WSADATA data;
    if (::WSAStartup(0x0101, &data) != 0)
        return addresses;

    char hostName[256] = {};
    if (::gethostname(hostName, 255) != 0)
        return addresses;

    const hostent* host = ::gethostbyname(hostName);
    if (!host || host->h_addrtype != AF_INET)
        return addresses;

    for (char** entry = host->h_addr_list; *entry; ++entry) {
        in_addr address;
        std::memcpy(&address, *entry, sizeof address);
        addresses.emplace_back(::inet_ntoa(address));
    }
    return addresses;
}

std::string GetLocalHostAddress()
{
    const std::vector<std::string> addresses = LocalHostAddresses();
    return addresses.empty() ? std::string() : addresses.front();
}

DialogServices DialogServices::Real()
{
    DialogServices services;
    services.exeDirectory = GetExeDirectory;
    services.now = [] { return Clock::now(); };
    services.createController = [](const std::string& localAddress) { return new NRController(localAddress); };
    services.localAddresses = LocalHostAddresses;
    services.messageBox = [](HWND owner, const std::string& text, const std::string& caption) {
        fw::CWnd(owner).MessageBox(text, caption, MB_OK);
    };
    return services;
}
