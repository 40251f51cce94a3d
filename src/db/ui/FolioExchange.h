#pragma once

class QLineEdit;

// Data exchange of an integer edit such as the folio: towards the control the number padded with
// zeros to `width` ("000123"); from the control its leading decimal number (0 when empty or when
// it starts with no digits).
void FolioExchange(QLineEdit* edit, long& value, bool toControl, int width = 6);
