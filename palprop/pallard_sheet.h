// The applet's property sheet: the controller page always, the bay page
// when the bay manager service is registered.
#pragma once

#include "dma_page.h"
#include "framework/property_sheet.h"
#include "pallard_prop.h"

class CPallardSheet : public CPropertySheet {
public:
    CPallardSheet();

    CDmaPage m_dmaPage;
    CPallardProp m_pallardProp;
};
