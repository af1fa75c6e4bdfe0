#pragma once
// Numbers as text for the outputs: seven significant digits, as printf's
// "%.7g" in the "C" locale writes them, so that the file's six digits
// survive a change of units and no locale turns the point into a comma.

#include <string>

// Negative zero, which mirroring makes of every zero, is written as "0".
void appendNumber(std::string& out, double value);
