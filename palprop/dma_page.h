// The controller page: DMA on or off for the bay controller's miniport
// driver, and the transfer mode it reports for each IDE channel. A change
// takes effect when the computer restarts, and the page says so.
#pragma once

#include "framework/property_page.h"

class CDmaPage : public CPropertyPage {
public:
    CDmaPage();

    int m_enableDma;      // check box "Enable DMA"
    int m_savedEnableDma; // as read at page start or last stored on apply

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnApply() override;
    void OnEnableDmaClicked();

    DECLARE_MESSAGE_MAP()

private:
    bool ApplyEnableDma();
};
