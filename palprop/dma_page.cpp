#include "dma_page.h"

#include "framework/data_exchange.h"
#include "page_text.h"
#include "registry_settings.h"
#include "resource.h"

// Each channel's value in the DmaStatus key and the control that shows its mode.
static const struct {
    const char* valueName;
    int controlId;
} kChannels[] = {
    {DMA_CHANNEL_VALUE(0), IDC_LEGACY_PRIMARY_MODE},
    {DMA_CHANNEL_VALUE(1), IDC_LEGACY_SECONDARY_MODE},
    {DMA_CHANNEL_VALUE(2), IDC_NATIVE_PRIMARY_MODE},
    {DMA_CHANNEL_VALUE(3), IDC_NATIVE_SECONDARY_MODE},
};

BEGIN_MESSAGE_MAP(CDmaPage)
ON_BN_CLICKED(IDC_ENABLE_DMA, &CDmaPage::OnEnableDmaClicked)
END_MESSAGE_MAP()

CDmaPage::CDmaPage() : CPropertyPage(IDD_CONTROLLER_PAGE), m_enableDma(0), m_savedEnableDma(0) {}

void CDmaPage::DoDataExchange(CDataExchange* dx)
{
    CPropertyPage::DoDataExchange(dx);
    DDX_Check(dx, IDC_ENABLE_DMA, m_enableDma);
}

BOOL CDmaPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_enableDma = m_savedEnableDma = ReadSetting(MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE);

    HKEY status;
    bool opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, DMA_STATUS_KEY, 0, KEY_QUERY_VALUE, &status) == ERROR_SUCCESS;
    for (const auto& channel : kChannels) {
        DWORD value = 0;
        bool read = opened && QueryFourBytes(status, channel.valueName, &value);
        SetDlgItemTextA(m_hWnd, channel.controlId, ChannelModeText(opened, read, value));
    }
    if (opened)
        RegCloseKey(status);

    UpdateData(FALSE);
    return TRUE;
}

// The restart notice follows a change that was stored, once per change.
// A change that cannot be stored is told instead, and false keeps the
// sheet open with it; an unchanged value that cannot be written loses
// nothing and is let be.
bool CDmaPage::ApplyEnableDma()
{
    UpdateData(TRUE);
    bool changed = m_enableDma != m_savedEnableDma;
    LONG error = WriteSetting(MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, m_enableDma);
    if (error != ERROR_SUCCESS) {
        if (changed)
            TellNotStored(m_hWnd, ENABLE_DMA_VALUE, error);
        return !changed;
    }
    if (changed) {
        MessageBoxA(m_hWnd, kRestartNotice, RestartNoticeCaption(m_enableDma != 0), MB_ICONINFORMATION | MB_OK);
        m_savedEnableDma = m_enableDma;
    }
    return true;
}

BOOL CDmaPage::OnApply()
{
    if (!ApplyEnableDma())
        return FALSE;
    return CPropertyPage::OnApply();
}

// The framework's OnApply comes here too, so every apply writes twice.
void CDmaPage::OnOK()
{
    CPropertyPage::OnOK();
    ApplyEnableDma();
}

void CDmaPage::OnEnableDmaClicked()
{
    SetModified(TRUE);
}
