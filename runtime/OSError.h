// The operating system's own texts for its error numbers.
#pragma once

#include <string>

// The system's message for errno value error (never empty).
std::string SystemErrorMessage(int error);
