#include "data_exchange.h"

#include "property_page.h"

void DDX_Check(CDataExchange* dx, int controlId, int& value)
{
    HWND control = GetDlgItem(dx->m_pDlgWnd->m_hWnd, controlId);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate) {
        value = (int)SendMessageA(control, BM_GETCHECK, 0, 0);
    } else {
        if (value < 0 || value > 2)
            value = 0;
        SendMessageA(control, BM_SETCHECK, (WPARAM)value, 0);
    }
}
