// Version resources of test programs: reading a program's file version and
// making a copy of a program with another one.
#pragma once

#include <windows.h>

#include <string>

namespace lumo::test {

// The file version "a.b.c.d" of a program, "" without one.
std::string FileVersion(const std::string& path);

// Copies `from` to `to` and gives the copy the file version a.b.c.d, whose
// text must be as long as the original's (so no block of the resource moves).
bool MakeVersion(const std::string& from, const std::string& to, WORD a, WORD b, WORD c, WORD d);

}  // namespace lumo::test
