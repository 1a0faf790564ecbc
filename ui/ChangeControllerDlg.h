// The main dialog: the controllers found on the local networks, the chosen address and
// refresh rate, and the buttons that apply the choice or scan again.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "apply/Resolve.h"
#include "discovery/ControllerScan.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/DialogServices.h"
#include "ui/ListKeyInput.h"

class NRController;
class NRFindControllers;

namespace cc {

// The one discovery engine of the dialog's controller object. The scan, the list view's
// sort callback and the resolve step all work on this one engine, so it is kept in one
// place that each of them reaches, rather than handed to each.
extern NRFindControllers* ControllerFinder;

// LVM_SORTITEMS callback over ControllerFinder: CompareHostNames of the two entries.
int CALLBACK CompareControllerNames(LPARAM firstIndex, LPARAM secondIndex, LPARAM unused);

class CChangeControllerDlg : public fw::CDialog {
public:
    explicit CChangeControllerDlg(HWND parent = nullptr, DialogServices services = DialogServices::Real());
    ~CChangeControllerDlg() override;

    // Steps of the scan that the scan benchmark times one by one.
    void StopScan();
    void FillControllerList();
    void SortControllerList();

protected:
    void DoDataExchange(fw::CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnUnhandledException(const std::exception* error) override;

    void OnPaint();
    HICON OnQueryDragIcon();
    void OnUpdate();
    void OnRefreshList();
    void OnClickControllerList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClickControllerList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnItemChangedControllerList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnReturnControllerList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTimer(UINT_PTR timerId);
    void OnChangeRefreshRate();
    void OnDeltaPosRefreshRate(NMHDR* pNMHDR, LRESULT* pResult);
    void OnChangeAddress();
    void OnCloseButton();

    // A box owned by the dialog; an empty caption stands for the application's name.
    void ShowMessage(const MessageText& message);
    // Puts a refresh rate of the program's own into the field; only the operator's
    // typing there enables Update.
    void ShowRefreshRate(const std::string& text);

    DECLARE_MESSAGE_MAP()

private:
    // Scan (ChangeControllerDlgScan.cpp)
    void InitScan();
    void StartScan();
    void ScanTick();
    // The host name the row of a listed address shows; nullptr when no row carries it.
    const std::string* ListedName(const std::string& address) const;

    // Resolve and apply (ChangeControllerDlgUpdate.cpp)
    bool ResolveController(std::string typedText);
    bool SelectRowByName(std::string name);
    bool SelectRowByAddress(std::string address);
    ApplyResult ApplySelection(const Choice& choice);

    void SetupListColumns(fw::CListCtrl& list, fw::CImageList& images);
    void NameTextlessControls();
    bool HandleListClick(const NMHDR* pNMHDR);
    std::string RowAddress(int row) const;
    void TakeRowAddress(int row);
    // Enables or disables a control; the list takes over the focus of a disabled one.
    void EnableControl(fw::CWnd& control, bool enable);

    fw::CButton m_btnUpdate;
    fw::CSpinButtonCtrl m_spinRefreshRate;
    fw::CEdit m_editRefreshRate;
    fw::CEdit m_editAddress;
    fw::CListCtrl m_listControllers;
    ListKeyInput m_listKeys;
    fw::CButton m_btnRefreshList;
    fw::CProgressCtrl m_progressScan;
    HICON m_hIcon;
    std::unique_ptr<NRController> m_pController;  // made on opening, ends with the dialog
    fw::CImageList m_imageList;
    std::vector<std::string> m_broadcastAddresses;
    // Set while OnTimer steps the progress bar: a timer message dispatched within that
    // step (a message loop run by the bar's processing) is not a tick of its own.
    bool m_inTimer = false;
    int m_scanTimeout = static_cast<int>(kScanTimeout.count());
    ScanTime m_lastNews{};
    ScanTime m_scanStart{};
    std::string m_refreshRateText;
    std::string m_settingsPath;

    DialogServices m_services;
    std::vector<std::string> m_localAddresses;
    bool m_showingRefreshRate = false;
    // The rows' addresses with the host names they show, so that a listed address and a
    // renamed controller are found without reading rows.
    std::unordered_map<std::string, std::string> m_listedNames;
};

}  // namespace cc
