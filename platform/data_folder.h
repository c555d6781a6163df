// Where the pictures and the module are read from: one search for the program and its tools.
#pragma once

#include <string>

// The folder named on the command line when `given` is not empty; else `data`
// in the working folder; else the `data` folder beside the executable, so an
// installed copy runs from anywhere. Empty when there is none, with `error`
// saying so and naming the places looked at.
std::string FindDataFolder(const std::string& given, std::string* error);

// The folder that the paths written "data\..." name from now on (NativePath).
// "data" until set.
void UseDataFolder(const std::string& folder);
const std::string& DataFolder();

// Turns the data paths written with a backslash ("data\scr1.bmp") into this
// platform's form, in the data folder in use. Messages keep showing the path
// as written.
std::string NativePath(const char* path);

// The folder of the running executable; empty when it cannot be read.
std::string ExecutableFolder();
