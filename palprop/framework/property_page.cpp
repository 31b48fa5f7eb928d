#include "property_page.h"

#include <commctrl.h>

#include "data_exchange.h"

CPropertyPage::CPropertyPage(UINT templateId) : m_hWnd(nullptr), templateId_(templateId) {}

CPropertyPage::~CPropertyPage() {}

BOOL CPropertyPage::UpdateData(BOOL saveAndValidate)
{
    if (!m_hWnd)
        return FALSE;
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CPropertyPage::SetModified(BOOL changed)
{
    HWND sheet = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (sheet)
        SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, (WPARAM)m_hWnd, 0);
}

void CPropertyPage::DoDataExchange(CDataExchange*) {}

BOOL CPropertyPage::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CPropertyPage::OnOK() {}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

const MessageMapEntry* CPropertyPage::GetMessageMap() const
{
    return nullptr;
}

BOOL CPropertyPage::OnCommand(UINT code, UINT controlId)
{
    for (const MessageMapEntry* entry = GetMessageMap(); entry && entry->handler; entry++) {
        if (entry->code == code && entry->controlId == controlId) {
            (this->*entry->handler)();
            return TRUE;
        }
    }
    return FALSE;
}

// The dialog procedure of every page. The sheet hands each page its object
// in the lParam of the page description that comes with WM_INITDIALOG.
INT_PTR CALLBACK CPropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const PROPSHEETPAGEA* description = (const PROPSHEETPAGEA*)lParam;
        CPropertyPage* page = (CPropertyPage*)description->lParam;
        SetWindowLongPtrA(window, DWLP_USER, (LONG_PTR)page);
        page->m_hWnd = window;
        return page->OnInitDialog();
    }
    CPropertyPage* page = (CPropertyPage*)GetWindowLongPtrA(window, DWLP_USER);
    if (!page)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return page->OnCommand(HIWORD(wParam), LOWORD(wParam));
    case WM_NOTIFY:
        if (((const NMHDR*)lParam)->code == PSN_APPLY) {
            SetWindowLongPtrA(window, DWLP_MSGRESULT, page->OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
            return TRUE;
        }
        return FALSE;
    case WM_NCDESTROY:
        page->m_hWnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}
