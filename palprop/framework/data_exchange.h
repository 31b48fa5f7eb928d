// Dialog data exchange: moves values between a page's controls and its
// members, in the direction the exchange was made for.
#pragma once

#include <windows.h>

class CPropertyPage;

class CDataExchange {
public:
    CDataExchange(CPropertyPage* page, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(page) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CPropertyPage* m_pDlgWnd;
};

// A check box and an integer: checked is 1, unchecked 0. A value other than
// 0, 1 or 2 (indeterminate) is put into the box as 0. A control that does
// not exist leaves the value alone.
void DDX_Check(CDataExchange* dx, int controlId, int& value);
