// The bay page: CD-ROM auto insert notification, the bay manager service's
// progress messages and warm swapping, and two sentences on the bay's
// current swapping capabilities.
#pragma once

#include "framework/property_page.h"

class CPallardProp : public CPropertyPage {
public:
    CPallardProp();

    int m_cdromAutorun; // Autorun of the CD-ROM driver
    int m_pnpMessages;  // EnableMessages of the service
    int m_warmSwapping; // EnableWarmSwapping of the service
    // The three as read at page start or last stored, in the same order.
    int m_storedAutorun, m_storedMessages, m_storedWarmSwapping;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnApply() override;
    void OnSettingClicked();

    DECLARE_MESSAGE_MAP()

private:
    bool WriteSettings();
    void ShowCapabilities();
};
