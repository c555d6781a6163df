// The module file: the file hooks it is read through, loading it into the player,
// and the report on a module that is loaded but not played.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct openmpt_module;

// What the player makes of a module file, loaded as StartMusic loads it but
// not played: whether it loads (else why not), and what the player said about
// it while loading, such as a file cut short or samples missing.
struct ModuleReport {
    bool loads = false;
    std::string failure;                 // why it does not load
    std::vector<std::string> warnings;   // each a line of the player's own words
};
ModuleReport InspectModuleFile(const char* nativePath);

// The module's bytes through the file hooks; empty, with `failure` saying why,
// when there are none to load.
std::vector<char> ReadModuleFile(const std::string& path, std::string* failure);
// The player's module, set up to play as the show plays it; null when it does not load.
openmpt_module* CreateModule(const std::vector<char>& bytes);

// The file hooks through which the module is read, standard buffered streams
// underneath. The handle is the stream; every hook refuses a null handle.
void* ModuleFileOpen(const char* name);                     // "rb" stream of a regular file; null otherwise
int32_t ModuleFileClose(void* handle);                      // 0, or -1
int32_t ModuleFileRead(void* buffer, int32_t length, void* handle);  // bytes read
// Mode 0 from the beginning, 1 from the current position, 2 from the end;
// 0 on success, -1 on failure and for any other mode (position unchanged).
int32_t ModuleFileSeek(void* handle, int32_t position, int8_t mode);
int32_t ModuleFileTell(void* handle);                       // bytes from the beginning, or -1
