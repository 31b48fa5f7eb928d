#include "pallard_prop.h"

#include "framework/data_exchange.h"
#include "page_text.h"
#include "registry_settings.h"
#include "resource.h"

static const char kAutorun[] = "Autorun";
static const char kEnableMessages[] = "EnableMessages";
static const char kEnableWarmSwapping[] = "EnableWarmSwapping";

BEGIN_MESSAGE_MAP(CPallardProp)
ON_BN_CLICKED(IDC_CDROM_AUTORUN, &CPallardProp::OnSettingClicked)
ON_BN_CLICKED(IDC_PNP_MESSAGES, &CPallardProp::OnSettingClicked)
ON_BN_CLICKED(IDC_WARM_SWAPPING, &CPallardProp::OnSettingClicked)
END_MESSAGE_MAP()

CPallardProp::CPallardProp() : CPropertyPage(IDD_BAY_PAGE), m_cdromAutorun(0), m_pnpMessages(0), m_warmSwapping(0) {}

void CPallardProp::DoDataExchange(CDataExchange* dx)
{
    CPropertyPage::DoDataExchange(dx);
    DDX_Check(dx, IDC_WARM_SWAPPING, m_warmSwapping);
    DDX_Check(dx, IDC_PNP_MESSAGES, m_pnpMessages);
    DDX_Check(dx, IDC_CDROM_AUTORUN, m_cdromAutorun);
}

BOOL CPallardProp::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_cdromAutorun = ReadSetting(kCdromKey, kAutorun);
    m_pnpMessages = ReadSetting(kServiceParametersKey, kEnableMessages);
    m_warmSwapping = ReadSetting(kServiceParametersKey, kEnableWarmSwapping);
    ShowCapabilities();
    UpdateData(FALSE);
    return TRUE;
}

// Each value opens and closes its key on its own; a key that is missing
// is not created.
void CPallardProp::WriteSettings() const
{
    WriteSetting(kCdromKey, kAutorun, m_cdromAutorun);
    WriteSetting(kServiceParametersKey, kEnableMessages, m_pnpMessages);
    WriteSetting(kServiceParametersKey, kEnableWarmSwapping, m_warmSwapping);
}

// The sentences follow the DMA status of the two channels of the legacy
// controller, read afresh, and the warm swapping setting of the page.
void CPallardProp::ShowCapabilities()
{
    DWORD primary = 0, secondary = 0;
    bool primaryRead = false, secondaryRead = false;
    HKEY status;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDmaStatusKey, 0, KEY_QUERY_VALUE, &status) == ERROR_SUCCESS) {
        primaryRead = QueryFourBytes(status, "Channel0", &primary);
        secondaryRead = QueryFourBytes(status, "Channel1", &secondary);
        RegCloseKey(status);
    }
    bool warm = m_warmSwapping != 0;
    SetDlgItemTextA(m_hWnd, IDC_PRIMARY_CAPABILITY, CapabilitySentence(0, FlagIsOn(primaryRead, primary), warm));
    SetDlgItemTextA(m_hWnd, IDC_SECONDARY_CAPABILITY, CapabilitySentence(1, FlagIsOn(secondaryRead, secondary), warm));
}

BOOL CPallardProp::OnApply()
{
    UpdateData(TRUE);
    WriteSettings();
    ShowCapabilities();
    return CPropertyPage::OnApply();
}

// The framework's OnApply comes here too, so every apply writes twice.
void CPallardProp::OnOK()
{
    CPropertyPage::OnOK();
    UpdateData(TRUE);
    WriteSettings();
}

void CPallardProp::OnSettingClicked()
{
    SetModified(TRUE);
}
