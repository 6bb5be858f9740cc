// Loading a shared library and finding its entry: dlopen on Linux,
// LoadLibrary on Windows.
#pragma once

#include <string>

namespace migwiz::platform {

// ".so" or ".dll": the ending of the files a plug-in folder offers.
extern const char* const kSharedLibrarySuffix;

// The library's handle, or null with the system's reason in err.
void* LoadSharedLibrary(const std::string& fileName, std::string& err);
// The address of an exported function; null when there is none.
void* SharedLibrarySymbol(void* library, const char* name);
void UnloadSharedLibrary(void* library);

}  // namespace migwiz::platform
