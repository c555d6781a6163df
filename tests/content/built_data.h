// The data folder built from assets/ that the tests look at.
#pragma once

#include <string>

// Empty when the build failed; the reason is then in BuiltDataError().
const std::string& BuiltDataDir();
const std::string& BuiltDataError();
// A fresh temporary folder name for this process (not created).
std::string TemporaryDir(const std::string& name);
