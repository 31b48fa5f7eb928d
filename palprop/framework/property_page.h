// A property page: one dialog template shown as a tab of a property sheet.
// Derived pages exchange their members with the controls in
// DoDataExchange, read their settings in OnInitDialog and write them in
// OnApply (OK and Apply) or OnOK; clicks reach them through a message map.
#pragma once

#include <windows.h>

class CDataExchange;
class CPropertyPage;

// A message map: control notifications (BN_CLICKED) and their handlers,
// ended by END_MESSAGE_MAP.
typedef void (CPropertyPage::*CommandHandler)();
struct MessageMapEntry {
    UINT code;
    UINT controlId;
    CommandHandler handler;
};

#define DECLARE_MESSAGE_MAP()                                                 \
protected:                                                                    \
    static const MessageMapEntry messageMap_[];                               \
    const MessageMapEntry* GetMessageMap() const override { return messageMap_; }

#define BEGIN_MESSAGE_MAP(theClass) const MessageMapEntry theClass::messageMap_[] = {
#define ON_BN_CLICKED(controlId, memberFunction) \
    {BN_CLICKED, (UINT)(controlId), static_cast<CommandHandler>(memberFunction)},
#define END_MESSAGE_MAP() {0, 0, nullptr}};

class CPropertyPage {
public:
    explicit CPropertyPage(UINT templateId);
    virtual ~CPropertyPage();
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    UINT TemplateId() const { return templateId_; }

    // TRUE: the controls into the members; FALSE: the members into the controls.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // Tells the sheet that the page has changes to apply (enables Apply).
    void SetModified(BOOL changed = TRUE);

    HWND m_hWnd; // the page's window, while the sheet shows it

protected:
    virtual void DoDataExchange(CDataExchange* dx);
    // Puts the members into the controls; returns TRUE (focus to the first control).
    virtual BOOL OnInitDialog();
    // Does nothing.
    virtual void OnOK();
    // Called on OK and on Apply for every page whose window exists: calls
    // OnOK and returns TRUE.
    virtual BOOL OnApply();
    virtual const MessageMapEntry* GetMessageMap() const;

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnCommand(UINT code, UINT controlId);

    UINT templateId_;
};
