#include "property_sheet.h"

#include <commctrl.h>

#include "application.h"
#include "property_page.h"

CPropertySheet::CPropertySheet(const char* caption, HWND parent, UINT selectPage)
    : parent_(parent ? parent : MainWindow()), startPage_(selectPage), pages_(), pageCount_(0)
{
    lstrcpynA(caption_, caption ? caption : "", sizeof caption_);
}

CPropertySheet::~CPropertySheet() {}

bool CPropertySheet::AddPage(CPropertyPage* page)
{
    if (!page || pageCount_ >= kMaxPages)
        return false;
    pages_[pageCount_++] = page;
    return true;
}

// The page and header sizes of the first comctl32 versions, which every
// later one accepts.
INT_PTR CPropertySheet::DoModal()
{
    HPROPSHEETPAGE handles[kMaxPages];
    ZeroMemory(handles, sizeof handles);
    INT_PTR result = -1;
    int made = 0;
    InitCommonControls();
    for (; made < pageCount_; made++) {
        PROPSHEETPAGEA page;
        ZeroMemory(&page, sizeof page);
        page.dwSize = PROPSHEETPAGEA_V1_SIZE;
        page.dwFlags = PSP_DEFAULT;
        page.hInstance = ResourceModule();
        page.pszTemplate = MAKEINTRESOURCEA(pages_[made]->TemplateId());
        page.pfnDlgProc = CPropertyPage::DialogProc;
        page.lParam = (LPARAM)pages_[made];
        handles[made] = CreatePropertySheetPageA(&page);
        if (!handles[made])
            break;
    }
    if (made == pageCount_ && made > 0) {
        PROPSHEETHEADERA header;
        ZeroMemory(&header, sizeof header);
        header.dwSize = PROPSHEETHEADERA_V1_SIZE;
        header.dwFlags = PSH_DEFAULT;
        header.hwndParent = parent_;
        header.hInstance = ResourceModule();
        header.pszCaption = caption_;
        header.nPages = (UINT)pageCount_;
        header.nStartPage = startPage_;
        header.phpage = handles;
        // The sheet destroys the pages it was given, shown or not.
        INT_PTR shown = PropertySheetA(&header);
        result = shown < 0 ? -1 : shown > 0 ? IDOK : IDCANCEL;
    } else {
        for (int i = 0; i < made; i++)
            DestroyPropertySheetPage(handles[i]);
    }
    return result;
}
