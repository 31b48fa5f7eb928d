// Resource numbers of the bay manager: the progress-window templates and
// their icons (same numbers), and the control that holds the text.
#pragma once

#define IDD_PROGRESS_CDROM 103
#define IDD_PROGRESS_FLOPPY 108 /* floppy and LS-120 drives */
#define IDD_PROGRESS_SEARCH 109 /* the search, and removal of other devices */
#define IDD_PROGRESS_DISK 110

#define IDI_CDROM 103
#define IDI_FLOPPY 108
#define IDI_DEVICES 109
#define IDI_DISK 110

#define IDC_PROGRESS_TEXT 1000
