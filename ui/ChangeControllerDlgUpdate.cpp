// Update: the typed text is resolved (a listed name, else the library's answer) and
// applied to the web service; apply/Resolve.h decides the outcomes and their messages.
#include "ui/ChangeControllerDlg.h"

#include <memory>

#include "apply/ResString.h"
#include "apply/Resolve.h"
#include "discovery/AddressRanges.h"
#include "discovery/ControllerScan.h"
#include "store/RefreshRate.h"
#include "store/SettingsFile.h"
#include "ui/PleaseWaitDlg.h"
#include "ui/resource.h"

namespace cc {

namespace {

constexpr UINT kSelectedAndFocused = LVIS_SELECTED | LVIS_FOCUSED;

std::unique_ptr<PleaseWaitScope> ShowSearchingWindow(HWND parent)
{
    return std::make_unique<PleaseWaitScope>(parent, LoadResString(IDS_SEARCHING), LoadResString(IDS_PLEASE_WAIT));
}

}  // namespace

void CChangeControllerDlg::OnUpdate()
{
    EnableControl(m_btnUpdate, false);
    // As an operator pasting an address expects, blanks around it are no part of it.
    const std::string typedText = WithoutSurroundingBlanks(m_editAddress.GetWindowText());

    if (ResolveController(typedText)) {
        // The rate is stored within the spin's bounds, and the field shows what is stored.
        const int refreshSeconds = RefreshSecondsFromText(m_refreshRateText);
        ShowRefreshRate(std::to_string(refreshSeconds));
        auto pleaseWait = ShowSearchingWindow(m_hWnd);
        // The settings get the text as typed, not the address the library answered with.
        const ApplyResult result = ApplySelection({typedText, RefreshRateMilliseconds(refreshSeconds)});
        pleaseWait.reset();
        ShowMessage(ApplyResultMessage(result));
    } else {
        ShowMessage(CouldNotFindMessage(typedText));
    }
    EnableControl(m_btnUpdate, false);
}

bool CChangeControllerDlg::ResolveController(std::string typedText)
{
    const DottedForm form = DottedFormOf(typedText);
    // Readers disagree on which address a dotted text with a leading zero names, so it
    // names none.
    if (form == DottedForm::LeadingZero) {
        ShowMessage(ResolveFailureMessage(ResolveOutcome::NotFound, typedText));
        return false;
    }
    // A dotted address names the node at that address, never a host name.
    const bool listedByName = form == DottedForm::NotDotted && SelectRowByName(typedText);
    auto pleaseWait = ShowSearchingWindow(m_hWnd);
    if (listedByName)
        return true;

    const Resolution resolution = AskLibrary(*ControllerFinder, typedText);
    pleaseWait.reset();
    if (resolution.outcome != ResolveOutcome::Found) {
        ShowMessage(ResolveFailureMessage(resolution.outcome, typedText));
        return false;
    }
    FillControllerList();
    StopScan();
    SortControllerList();
    SelectRowByAddress(resolution.address);
    return true;
}

bool CChangeControllerDlg::SelectRowByName(std::string name)
{
    const int count = m_listControllers.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (EqualIgnoringCase(name, m_listControllers.GetItemText(row, 0))) {
            m_listControllers.SetItemState(row, kSelectedAndFocused, kSelectedAndFocused);
            m_listControllers.EnsureVisible(row, FALSE);
            return true;
        }
    }
    return false;
}

bool CChangeControllerDlg::SelectRowByAddress(std::string address)
{
    int match = -1;
    const int count = m_listControllers.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (EqualIgnoringCase(address, m_listControllers.GetItemText(row, 1))) {
            m_listControllers.SetItemState(row, kSelectedAndFocused, kSelectedAndFocused);
            match = row;
        } else if (m_listControllers.GetItemState(row, kSelectedAndFocused) != 0) {
            m_listControllers.SetItemState(row, 0, kSelectedAndFocused);
        }
    }
    // No row carries the address (the local host's own, say): the library's answer
    // still names a controller, so the Update goes on, and no box says otherwise.
    if (match == -1)
        return false;
    m_listControllers.EnsureVisible(match, FALSE);
    return true;
}

ApplyResult CChangeControllerDlg::ApplySelection(const Choice& choice)
{
    return cc::ApplySelection(m_services.exeDirectory(), choice, m_services.startProcess);
}

}  // namespace cc
