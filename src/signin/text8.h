#pragma once
// Where the 8-bit core meets the windows and the data layer: Windows-1251
// bytes to QString and back. The only such conversion of the program.
#include <QString>

#include <string>

// A character Windows-1251 cannot hold becomes '?', as on a workstation.
std::string toText8(const QString& text);
// Whether every character of the text has a Windows-1251 byte.
bool fitsText8(const QString& text);
QString fromText8(const std::string& bytes);
