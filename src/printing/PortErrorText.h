#pragma once

#include <string>

// The reason of a failed port call in words for the operator: Spanish for the failures a receipt
// printer meets (missing device, permission, unplugged, refused, time-out), the system's own text
// for any other error number.
std::string PortErrorText(int error);
