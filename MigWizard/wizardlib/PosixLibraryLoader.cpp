#include <dlfcn.h>

#include "wizardlib/LibraryLoader.h"

namespace migwiz::platform {

const char* const kSharedLibrarySuffix = ".so";

void* LoadSharedLibrary(const std::string& fileName, std::string& err) {
  void* library = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = dlerror();
    err = why ? why : "unknown error";
  }
  return library;
}

void* SharedLibrarySymbol(void* library, const char* name) { return dlsym(library, name); }

void UnloadSharedLibrary(void* library) { dlclose(library); }

}  // namespace migwiz::platform
