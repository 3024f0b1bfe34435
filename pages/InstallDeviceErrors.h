// What the user is told when a file of the package cannot be written to the handheld, chosen by the
// handheld's last error code.
#pragma once
#include <cstdint>
#include <string>

// The message for a failed copy; codes without a text of their own get a general message with the code.
std::string DeviceWriteErrorText(uint32_t deviceError);
