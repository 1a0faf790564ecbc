#include "ui/ChangeControllerDlg.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "apply/ResString.h"
#include "discovery/ControllerScan.h"
#include "framework/App.h"
#include "nrcore/NRController.h"
#include "store/Numbers.h"
#include "store/RefreshRate.h"
#include "store/SettingsFile.h"
#include "ui/resource.h"

namespace cc {

namespace {

constexpr int kLargeSpinStep = 30;

}  // namespace

CChangeControllerDlg::CChangeControllerDlg(HWND parent, DialogServices services)
    : fw::CDialog(IDD_CHANGECONTROLLER_DIALOG, parent),
      m_hIcon(::LoadIconA(fw::AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_services(std::move(services))
{
    m_settingsPath = SettingsPathFor(m_services.exeDirectory());
}

// The global finder points into the controller object, so it must not outlive it.
CChangeControllerDlg::~CChangeControllerDlg()
{
    if (m_pController && ControllerFinder == m_pController->getFindControllers())
        ControllerFinder = nullptr;
}

BEGIN_MESSAGE_MAP(CChangeControllerDlg, fw::CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_UPDATE, OnUpdate)
    ON_BN_CLICKED(IDC_REFRESH_LIST, OnRefreshList)
    ON_NOTIFY(NM_CLICK, IDC_LIST_CONTROLLERS, OnClickControllerList)
    ON_NOTIFY(NM_DBLCLK, IDC_LIST_CONTROLLERS, OnDblClickControllerList)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_LIST_CONTROLLERS, OnItemChangedControllerList)
    ON_NOTIFY(NM_RETURN, IDC_LIST_CONTROLLERS, OnReturnControllerList)
    ON_WM_TIMER()
    ON_EN_CHANGE(IDC_REFRESH_RATE, OnChangeRefreshRate)
    ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_REFRESH_RATE, OnDeltaPosRefreshRate)
    ON_EN_CHANGE(IDC_ADDRESS, OnChangeAddress)
    ON_BN_CLICKED(IDC_CLOSE, OnCloseButton)
END_MESSAGE_MAP()

void CChangeControllerDlg::DoDataExchange(fw::CDataExchange* pDX)
{
    fw::CDialog::DoDataExchange(pDX);
    fw::DDX_Control(pDX, IDC_UPDATE, m_btnUpdate);
    fw::DDX_Control(pDX, IDC_SPIN_REFRESH_RATE, m_spinRefreshRate);
    fw::DDX_Control(pDX, IDC_REFRESH_RATE, m_editRefreshRate);
    fw::DDX_Control(pDX, IDC_ADDRESS, m_editAddress);
    fw::DDX_Control(pDX, IDC_LIST_CONTROLLERS, m_listControllers);
    fw::DDX_Control(pDX, IDC_REFRESH_LIST, m_btnRefreshList);
    fw::DDX_Control(pDX, IDC_PROGRESS_SCAN, m_progressScan);
}

BOOL CChangeControllerDlg::OnInitDialog()
{
    fw::CDialog::OnInitDialog();
    EnableControl(m_btnUpdate, false);

    // Elsewhere the service would never read what the tool stores: nothing is written,
    // and the tool ends once the operator has read why.
    const std::string exeDirectory = m_services.exeDirectory();
    if (!IsServiceFolder(exeDirectory)) {
        ShowMessage(NotServiceFolderMessage(exeDirectory));
        EndDialog(IDCANCEL);
        return TRUE;
    }
    ClearResetFlag(m_settingsPath);

    // Looked up once, for the scan's broadcasts; the controller object is handed the
    // first, as the library's interface asks, though its engine does not use it.
    m_localAddresses = m_services.localAddresses();
    m_pController = m_services.createController(m_localAddresses.empty() ? std::string() : m_localAddresses.front());

    constexpr DWORD kGridAndFullRow = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    m_listControllers.SetExtendedStyle(m_listControllers.GetExtendedStyle() | kGridAndFullRow);
    m_listKeys.Attach(m_listControllers);
    NameTextlessControls();

    const StoredSettings stored = ReadSettings(m_settingsPath);
    ShowRefreshRate(std::to_string(stored.refreshSeconds));
    m_editAddress.SetWindowText(stored.address);  // its EN_CHANGE enables Update for a stored address

    InitScan();
    return TRUE;
}

void CChangeControllerDlg::SetupListColumns(fw::CListCtrl& list, fw::CImageList& images)
{
    RECT listRect;
    list.GetWindowRect(&listRect);
    const int available = (listRect.right - listRect.left) - ::GetSystemMetrics(SM_CXVSCROLL);

    // The address column is as wide as the widest dotted address.
    HDC dc = ::GetDC(list);
    SIZE widest{};
    ::GetTextExtentPoint32A(dc, "255.255.255.255", 15, &widest);
    ::ReleaseDC(list, dc);
    const int addressWidth = widest.cx;

    // The name takes the rest. The window rectangle counts the list's border, which the
    // client area does not: 5 pixels off the address column keep both inside it.
    list.InsertColumn(0, LoadResString(IDS_COLUMN_NAME), LVCFMT_LEFT, available - addressWidth);
    list.InsertColumn(1, LoadResString(IDS_COLUMN_ADDRESS), LVCFMT_LEFT, addressWidth - 5);

    images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 2);
    images.Add(::LoadIconA(fw::AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_CONTROLLER)));
    list.SetImageList(images, LVSIL_SMALL);
}

// What a screen reader calls each control. oleacc names an edit after the static label
// just before it in the template, and a list view or an up-down control after its own
// window text: Windows' oleacc documents that for both classes, and Wine's does the
// same (it takes no hidden label for them). Neither control draws that text, so the
// operator sees nothing new.
void CChangeControllerDlg::NameTextlessControls()
{
    m_listControllers.SetWindowText(LoadResString(IDS_NAME_CONTROLLER_LIST));
    m_spinRefreshRate.SetWindowText(LoadResString(IDS_NAME_REFRESH_RATE_SPIN));
}

void CChangeControllerDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HICON CChangeControllerDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

// Copies the clicked row's address into the address field; false, with the field
// emptied, when no row was hit.
bool CChangeControllerDlg::HandleListClick(const NMHDR* pNMHDR)
{
    const int row = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR)->iItem;
    if (row < 0) {
        m_editAddress.SetWindowText("");
        return false;
    }
    TakeRowAddress(row);
    return true;
}

std::string CChangeControllerDlg::RowAddress(int row) const
{
    return ControllerFinder->GetNodeAddress(static_cast<int>(m_listControllers.GetItemData(row)));
}

void CChangeControllerDlg::TakeRowAddress(int row)
{
    EnableControl(m_btnUpdate, true);
    m_editAddress.SetWindowText(RowAddress(row));
}

void CChangeControllerDlg::EnableControl(fw::CWnd& control, bool enable)
{
    fw::CDialog::EnableControl(control, enable, m_listControllers);
}

void CChangeControllerDlg::OnClickControllerList(NMHDR* pNMHDR, LRESULT* pResult)
{
    HandleListClick(pNMHDR);
    *pResult = 0;
}

void CChangeControllerDlg::OnDblClickControllerList(NMHDR* pNMHDR, LRESULT* pResult)
{
    if (HandleListClick(pNMHDR))
        OnUpdate();
    *pResult = 0;
}

// A row the operator selects with the keys counts as a click on it. Only changes made
// while the list handles the operator's keystroke count: the scan's refills and sorts
// and the row Update selects come from the program and leave the address field alone.
void CChangeControllerDlg::OnItemChangedControllerList(NMHDR* pNMHDR, LRESULT* pResult)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    const bool newlySelected = (change->uChanged & LVIF_STATE) != 0 && (change->uNewState & LVIS_SELECTED) != 0 &&
                               (change->uOldState & LVIS_SELECTED) == 0;
    if (m_listKeys.HandlingOperatorKey() && newlySelected && change->iItem >= 0)
        TakeRowAddress(change->iItem);
    *pResult = 0;
}

// Enter in the list reaches it only while a row is selected (ListKeyInput): that row is
// applied as a double-click on it would be, unless it is the choice just applied (Update
// greyed, the field holding the row's address). So Enter pressed again, or held down,
// does not restart the service once more.
void CChangeControllerDlg::OnReturnControllerList(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    const int row = SelectedRow(m_listControllers);
    if (row < 0)
        return;
    if (!m_btnUpdate.IsWindowEnabled() && RowAddress(row) == m_editAddress.GetWindowText())
        return;
    TakeRowAddress(row);
    OnUpdate();
}

void CChangeControllerDlg::OnRefreshList()
{
    EnableControl(m_btnRefreshList, false);
    StartScan();
    m_editAddress.SetWindowText("");
}

// A typed refresh rate is taken over at once, so that Update stores what the field
// shows, and typing one makes it appliable, as a spin step does.
void CChangeControllerDlg::OnChangeRefreshRate()
{
    m_refreshRateText = m_editRefreshRate.GetWindowText();
    if (!m_showingRefreshRate)
        EnableControl(m_btnUpdate, true);
}

void CChangeControllerDlg::ShowRefreshRate(const std::string& text)
{
    m_showingRefreshRate = true;
    m_editRefreshRate.SetWindowText(text);
    m_showingRefreshRate = false;
    m_refreshRateText = text;
}

// The spin keeps its default range (100 down to 0), so its up arrow proposes -1 and its
// down arrow +1, and the rate moves against the proposal. From 30 s on, either arrow
// takes 30 s off, deliberately: a long rate comes down in large steps, and only below
// 30 s do the arrows step one second each way. Never below the 20 s floor.
void CChangeControllerDlg::OnDeltaPosRefreshRate(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    int delta = reinterpret_cast<const NMUPDOWN*>(pNMHDR)->iDelta;
    if (delta == 0)
        return;

    m_refreshRateText = m_editRefreshRate.GetWindowText();
    const int current = ParseIntSaturated(m_refreshRateText.c_str());
    if (current >= kLargeSpinStep)
        delta = kLargeSpinStep;
    std::int64_t next = static_cast<std::int64_t>(current) - delta;
    next = std::clamp<std::int64_t>(next, kShortestRefreshSeconds, kLongestRefreshSeconds);

    ShowRefreshRate(std::to_string(next));
    EnableControl(m_btnUpdate, true);
}

void CChangeControllerDlg::OnChangeAddress()
{
    EnableControl(m_btnUpdate, !m_editAddress.GetWindowText().empty());
}

void CChangeControllerDlg::OnCloseButton()
{
    EndDialog(0);
}

void CChangeControllerDlg::ShowMessage(const MessageText& message)
{
    m_services.messageBox(m_hWnd, message.text, message.caption.empty() ? fw::AfxGetAppName() : message.caption);
}

void CChangeControllerDlg::OnUnhandledException(const std::exception* error)
{
    ShowMessage({fw::UnhandledExceptionText(error), {}});
}

}  // namespace cc
