#include "pallard_sheet.h"

#include "registry_settings.h"

// No owner is passed: the sheet takes the application's main window, and
// the applet has none, so the sheet stands on its own beside the Control
// Panel.
CPallardSheet::CPallardSheet() : CPropertySheet("Vorlix Pallard Properties", nullptr, 0)
{
    AddPage(&m_dmaPage);
    if (KeyOpens(SERVICE_KEY))
        AddPage(&m_pallardProp);
}
