// A property sheet: a caption, a list of pages and the modal display with
// the standard OK, Cancel and Apply buttons (comctl32 property sheets).
#pragma once

#include <windows.h>

class CPropertyPage;

class CPropertySheet {
public:
    enum {
        kMaxPages = 8,
        kCaptionSize = 128, // a longer caption is cut to 127 characters
    };

    // Without a parent, the sheet is owned by the application's main
    // window, if it has one.
    explicit CPropertySheet(const char* caption, HWND parent = nullptr, UINT selectPage = 0);
    virtual ~CPropertySheet();
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Pages are shown in the order they were added. A page beyond
    // kMaxPages is refused (false).
    bool AddPage(CPropertyPage* page);
    int GetPageCount() const { return pageCount_; }
    const char* Caption() const { return caption_; }
    HWND Parent() const { return parent_; }

    // Shows the sheet and returns when the user closes it: IDOK, IDCANCEL,
    // or -1 when it could not be shown.
    INT_PTR DoModal();

private:
    char caption_[kCaptionSize];
    HWND parent_;
    UINT startPage_;
    CPropertyPage* pages_[kMaxPages];
    int pageCount_;
};
