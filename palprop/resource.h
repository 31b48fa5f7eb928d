// Resource identifiers of palprop.cpl (all resources are US English).
#pragma once

#define IDS_APPLET_NAME 1 // "Pallard Properties"
#define IDS_APPLET_INFO 2 // the description under the name
#define IDI_APPLET 129
#define IDD_CONTROLLER_PAGE 130
#define IDD_BAY_PAGE 131

// Controller page
#define IDC_ENABLE_DMA 1000
#define IDC_LEGACY_PRIMARY_MODE 1002
#define IDC_LEGACY_SECONDARY_MODE 1003
#define IDC_NATIVE_PRIMARY_MODE 1004
#define IDC_NATIVE_SECONDARY_MODE 1005

// Bay page
#define IDC_CDROM_AUTORUN 1004
#define IDC_PNP_MESSAGES 1005
#define IDC_WARM_SWAPPING 1006
#define IDC_PRIMARY_CAPABILITY 1007
#define IDC_SECONDARY_CAPABILITY 1008

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
