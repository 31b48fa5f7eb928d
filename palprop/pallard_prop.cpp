#include "pallard_prop.h"

#include "framework/data_exchange.h"
#include "page_text.h"
#include "registry_settings.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CPallardProp)
ON_BN_CLICKED(IDC_CDROM_AUTORUN, &CPallardProp::OnSettingClicked)
ON_BN_CLICKED(IDC_PNP_MESSAGES, &CPallardProp::OnSettingClicked)
ON_BN_CLICKED(IDC_WARM_SWAPPING, &CPallardProp::OnSettingClicked)
END_MESSAGE_MAP()

CPallardProp::CPallardProp()
    : CPropertyPage(IDD_BAY_PAGE), m_cdromAutorun(0), m_pnpMessages(0), m_warmSwapping(0), m_storedAutorun(0),
      m_storedMessages(0), m_storedWarmSwapping(0)
{
}

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
    m_cdromAutorun = ReadSetting(CDROM_KEY, AUTORUN_VALUE);
    m_pnpMessages = ReadSetting(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE);
    m_warmSwapping = ReadSetting(PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE);
    m_storedAutorun = m_cdromAutorun;
    m_storedMessages = m_pnpMessages;
    m_storedWarmSwapping = m_warmSwapping;
    ShowCapabilities();
    UpdateData(FALSE);
    return TRUE;
}

// Each value opens and closes its key on its own; a key that is missing
// is not created. Every setting is tried; each change that could not be
// stored is told, and false keeps the sheet open with it.
bool CPallardProp::WriteSettings()
{
    const struct {
        const char* key;
        const char* name;
        int value;
        int* stored;
    } settings[] = {
        {CDROM_KEY, AUTORUN_VALUE, m_cdromAutorun, &m_storedAutorun},
        {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, m_pnpMessages, &m_storedMessages},
        {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, m_warmSwapping, &m_storedWarmSwapping},
    };
    bool allKept = true;
    for (const auto& s : settings) {
        LONG error = WriteSetting(s.key, s.name, s.value);
        if (error == ERROR_SUCCESS) {
            *s.stored = s.value != 0;
        } else if ((s.value != 0) != (*s.stored != 0)) {
            TellNotStored(m_hWnd, s.name, error);
            allKept = false;
        }
    }
    return allKept;
}

// The sentences follow the DMA status of the two channels of the legacy
// controller, read afresh, and the warm swapping setting of the page.
void CPallardProp::ShowCapabilities()
{
    DWORD primary = 0, secondary = 0;
    bool primaryRead = false, secondaryRead = false;
    HKEY status;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DMA_STATUS_KEY, 0, KEY_QUERY_VALUE, &status) == ERROR_SUCCESS) {
        primaryRead = QueryFourBytes(status, DMA_CHANNEL_VALUE(0), &primary);
        secondaryRead = QueryFourBytes(status, DMA_CHANNEL_VALUE(1), &secondary);
        RegCloseKey(status);
    }
    bool warm = m_warmSwapping != 0;
    SetDlgItemTextA(m_hWnd, IDC_PRIMARY_CAPABILITY, CapabilitySentence(0, FlagIsOn(primaryRead, primary), warm));
    SetDlgItemTextA(m_hWnd, IDC_SECONDARY_CAPABILITY, CapabilitySentence(1, FlagIsOn(secondaryRead, secondary), warm));
}

BOOL CPallardProp::OnApply()
{
    UpdateData(TRUE);
    if (!WriteSettings())
        return FALSE;
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
