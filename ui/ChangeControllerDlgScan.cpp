// The dialog's discovery scan: a 500 ms timer paces the engine, and the rules of
// discovery/ControllerScan.h decide what each tick does and which rows are added.
#include "ui/ChangeControllerDlg.h"

#include "discovery/ControllerScan.h"
#include "discovery/LocalNetworks.h"
#include "framework/WaitCursor.h"
#include "nrcore/NRController.h"

namespace cc {

namespace {

constexpr UINT kScanTickMs = 500;
// One step per tick fills the bar in the scan's time-out.
constexpr short kProgressTicks = kScanTimeout / std::chrono::milliseconds(kScanTickMs);

}  // namespace

NRFindControllers* ControllerFinder = nullptr;

int CALLBACK CompareControllerNames(LPARAM firstIndex, LPARAM secondIndex, LPARAM)
{
    return CompareHostNames(ControllerFinder->GetHostName(static_cast<int>(firstIndex)),
                            ControllerFinder->GetHostName(static_cast<int>(secondIndex)));
}

void CChangeControllerDlg::InitScan()
{
    const fw::CWaitCursor waitCursor;
    SetupListColumns(m_listControllers, m_imageList);

    m_progressScan.SetRange(0, kProgressTicks);
    m_progressScan.SetStep(1);

    ControllerFinder = m_pController->getFindControllers();

    m_broadcastAddresses = BroadcastAddressesFor(m_localAddresses);

    if (ControllerFinder->GetControllerCount() != 0) {
        FillControllerList();
        StopScan();
        SortControllerList();
    } else {
        StartScan();
    }
}

void CChangeControllerDlg::StartScan()
{
    m_scanStart = m_services.now();
    m_lastNews = m_scanStart;
    ControllerFinder->SuspendPoll();
    SendBroadcasts(*ControllerFinder, m_broadcastAddresses);
    // Cleared after the broadcasts: the engine still counts the answers to them.
    ControllerFinder->ClearControllerList();

    m_listControllers.DeleteAllItems();
    m_listedNames.clear();

    m_progressScan.ShowWindow(SW_SHOW);
    m_progressScan.SetPos(0);
    // The timer goes by the dialog's own control identifier; OnTimer does not look at it.
    SetTimer(static_cast<UINT_PTR>(GetDlgCtrlID()), kScanTickMs);
    EnableControl(m_btnRefreshList, false);
}

void CChangeControllerDlg::StopScan()
{
    KillTimer(static_cast<UINT_PTR>(GetDlgCtrlID()));
    ControllerFinder->ResumePoll();
    EnableControl(m_btnRefreshList, true);
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
    const bool news = ControllerFinder->ListenForControllers(kListenMs) != 0;
    const auto now = m_services.now();
    switch (DecideScanStep(news, now, m_scanStart, m_lastNews, std::chrono::seconds(m_scanTimeout))) {
    case ScanStep::FillAndSort:
        FillControllerList();
        m_lastNews = now;
        SortControllerList();
        break;
    case ScanStep::StopAndSort:
        StopScan();
        SortControllerList();
        break;
    case ScanStep::Rebroadcast:
        SendBroadcasts(*ControllerFinder, m_broadcastAddresses);
        break;
    case ScanStep::Wait:
        break;
    }
}

void CChangeControllerDlg::FillControllerList()
{
    const ControllerRowChanges changes =
        ChangedControllerRows(*ControllerFinder, [this](const std::string& address) { return ListedName(address); });
    if (changes.added.empty() && changes.renamed.empty())
        return;

    // Two messages a row, and room made at once: the list is filled on the UI thread.
    const fw::CRedrawPause drawnOnceAtTheEnd(m_listControllers);
    m_listControllers.SetItemCount(m_listControllers.GetItemCount() + static_cast<int>(changes.added.size()));
    int position = 0;
    for (const ControllerRow& controller : changes.added) {
        const int row = m_listControllers.InsertItem(position, controller.hostName, 0,
                                                     static_cast<DWORD_PTR>(controller.engineIndex));
        if (row < 0)
            continue;
        m_listControllers.SetItemText(row, 1, controller.address);
        m_listedNames.emplace(controller.address, controller.hostName);
        ++position;
    }
    for (const ControllerRow& controller : changes.renamed) {
        const int row = m_listControllers.FindItemByData(static_cast<DWORD_PTR>(controller.engineIndex));
        if (row < 0)
            continue;
        m_listControllers.SetItemText(row, 0, controller.hostName);
        m_listedNames[controller.address] = controller.hostName;
    }
}

const std::string* CChangeControllerDlg::ListedName(const std::string& address) const
{
    const auto listed = m_listedNames.find(address);
    return listed == m_listedNames.end() ? nullptr : &listed->second;
}

// The focused row is the keyboard's cursor: the next arrow key moves from it. It stays
// on the selected row, wherever the sort moved that; with none selected it is row 0.
void CChangeControllerDlg::SortControllerList()
{
    m_listControllers.SortItems(CompareControllerNames, 0);
    if (m_listControllers.GetItemCount() == 0)
        return;
    const int selected = SelectedRow(m_listControllers);
    m_listControllers.SetItemState(selected >= 0 ? selected : 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

}  // namespace cc
