// Every failure of the bay manager reaches the user as a pair of boxes:
// the message, then the system's text for the failure's error code.
#pragma once

#define ERROR_BOX_CAPTION "Vorlix PnP Manager "
#define ERROR_TEXT_CAPTION "GetLastError"

void ShowError(const char* message);
