// The discovery scan of the main dialog: works out the broadcast addresses, paces the
// engine with a 500 ms timer and turns the engine's table into list rows sorted by name.
#include "discovery/ControllerScan.h"

#include <cctype>
#include <chrono>
#include <cstring>

#include "framework/WaitCursor.h"
#include "nrcore/NRController.h"
#include "store/Numbers.h"
#include "ui/ChangeControllerDlg.h"

NRFindControllers* ControllerFinder = nullptr;

namespace {

constexpr UINT kScanTickMs = 500;
constexpr short kProgressTicks = 60;  // one step per tick fills the bar in 30 seconds
constexpr int kListenMs = 100;
constexpr auto kQuietBeforeRebroadcast = std::chrono::seconds(3);
const char kLoopbackAddress[] = "127.0.0.1";

std::string UpperCased(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The text up to (not including) the given dot, counted from 1; the whole text when it
// has fewer dots.
std::string CutAtDot(const std::string& text, int dotNumber)
{
    size_t position = std::string::npos;
    for (int i = 0; i < dotNumber; ++i) {
        position = text.find('.', position == std::string::npos ? 0 : position + 1);
        if (position == std::string::npos)
            return text;
    }
    return text.substr(0, position);
}

}  // namespace

int CALLBACK CompareControllerNames(LPARAM firstIndex, LPARAM secondIndex, LPARAM)
{
    const std::string first = UpperCased(ControllerFinder->GetHostName(static_cast<int>(firstIndex)));
    const std::string second = UpperCased(ControllerFinder->GetHostName(static_cast<int>(secondIndex)));
    const int order = first.compare(second);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::string GetNetworkPrefix(const std::string& address)
{
    const std::string working = address.substr(0, 31);
    const size_t firstDot = working.find('.');
    if (firstDot == std::string::npos)
        return {};

    const int firstOctet = ParseIntSaturated(working.substr(0, firstDot).c_str());
    if (firstOctet >= 1 && firstOctet <= 126)
        return working.substr(0, firstDot);
    if (firstOctet >= 128 && firstOctet <= 191)
        return CutAtDot(working, 2);
    if (firstOctet >= 192 && firstOctet <= 223)
        return CutAtDot(working, 3);
    return working;
}

std::string CompleteBroadcastAddress(const std::string& prefix)
{
    int parts = 0;
    for (size_t i = 0; i < prefix.size() && parts < 4; ++i) {
        if (prefix[i] != '.' && (i == 0 || prefix[i - 1] == '.'))
            ++parts;
    }
    std::string broadcast = prefix;
    for (; parts < 4; ++parts)
        broadcast += ".255";
    return broadcast;
}

std::vector<std::string> CChangeControllerDlg::GetLocalNetworks() const
{
    std::vector<std::string> prefixes;
    for (const std::string& address : m_services.localAddresses())
        prefixes.push_back(GetNetworkPrefix(address));
    return prefixes;
}

void CChangeControllerDlg::InitScan(int columnCount, const UINT* columnTitles)
{
    const fw::CWaitCursor waitCursor;
    SetupListColumns(m_listControllers, m_imageList, columnCount, columnTitles);

    m_progressScan.SetRange(0, kProgressTicks);
    m_progressScan.SetStep(1);

    ControllerFinder = m_pController->getFindControllers();

    m_broadcastAddresses = GetLocalNetworks();
    for (std::string& address : m_broadcastAddresses)
        address = CompleteBroadcastAddress(address);

    if (ControllerFinder->GetControllerCount() != 0) {
        FillControllerList();
        StopScan();
        SortControllerList();
    } else {
        StartScan();
    }
}

UINT_PTR CChangeControllerDlg::ScanTimerId() const
{
    return static_cast<UINT_PTR>(GetDlgCtrlID());
}

void CChangeControllerDlg::BroadcastToLocalNetworks()
{
    for (const std::string& address : m_broadcastAddresses) {
        char target[16] = {};
        std::strncpy(target, address.c_str(), sizeof target - 1);
        ControllerFinder->SendBroadcast(target);
    }
}

void CChangeControllerDlg::StartScan()
{
    m_scanStart = m_services.now();
    m_lastNews = m_scanStart;
    ControllerFinder->SuspendPoll();
    BroadcastToLocalNetworks();
    // Cleared after the broadcasts: the engine still counts the answers to them.
    ControllerFinder->ClearControllerList();

    m_listControllers.DeleteAllItems();
    m_listedAddresses.clear();

    m_progressScan.ShowWindow(SW_SHOW);
    m_progressScan.SetPos(0);
    SetTimer(ScanTimerId(), kScanTickMs);
    m_btnRefreshList.EnableWindow(FALSE);
}

void CChangeControllerDlg::StopScan()
{
    KillTimer(ScanTimerId());
    ControllerFinder->ResumePoll();
    m_btnRefreshList.EnableWindow(TRUE);
    m_progressScan.ShowWindow(SW_HIDE);

    // The columns leave room for a vertical scroll bar; give it to the address column
    // when every row fits.
    if (m_listControllers.GetItemCount() < m_listControllers.GetCountPerPage())
        m_listControllers.SetColumnWidth(1, m_listControllers.GetColumnWidth(1) + ::GetSystemMetrics(SM_CXVSCROLL));
}

void CChangeControllerDlg::OnTimer(UINT_PTR)
{
    if (!m_inTimer) {
        m_inTimer = true;
        m_progressScan.StepIt();
        m_inTimer = false;
        ScanTick();
    }
    Default();
}

void CChangeControllerDlg::ScanTick()
{
    const auto timeout = std::chrono::seconds(m_scanTimeout);
    const bool news = ControllerFinder->ListenForControllers(kListenMs) != 0;
    const auto now = m_services.now();

    if (news) {
        FillControllerList();
        m_lastNews = now;
        SortControllerList();
    } else if (now - m_scanStart > timeout) {
        StopScan();
        SortControllerList();
    } else if (now - m_lastNews > kQuietBeforeRebroadcast) {
        BroadcastToLocalNetworks();
    }
}

void CChangeControllerDlg::FillControllerList()
{
    const int count = ControllerFinder->GetControllerCount();
    const fw::CRedrawPause drawnOnceAtTheEnd(m_listControllers);
    int position = 0;
    for (int index = 0; index < count; ++index) {
        const std::string address = ControllerFinder->GetNodeAddress(index);
        if (address == kLoopbackAddress || IsAddressListed(address) || ControllerFinder->IsMember(index))
            continue;

        const int row = m_listControllers.InsertItem(position, "", 0);
        if (row < 0)
            continue;
        m_listControllers.SetItemData(row, static_cast<DWORD_PTR>(index));
        m_listControllers.SetItemText(row, 0, ControllerFinder->GetHostName(index));
        m_listControllers.SetItemText(row, 1, address);
        m_listedAddresses.insert(address);
        ++position;
    }
}

bool CChangeControllerDlg::IsAddressListed(const std::string& address) const
{
    return m_listedAddresses.count(address) != 0;
}

void CChangeControllerDlg::SortControllerList()
{
    m_listControllers.SortItems(CompareControllerNames, 0);
    if (m_listControllers.GetItemCount() > 0)
        m_listControllers.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
}
