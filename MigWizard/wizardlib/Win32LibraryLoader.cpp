#include "platform/Win32Text.h"
#include "wizardlib/LibraryLoader.h"

namespace migwiz::platform {

const char* const kSharedLibrarySuffix = ".dll";

// The library's own folder is searched for the DLLs it needs, not the
// current one.
void* LoadSharedLibrary(const std::string& fileName, std::string& err) {
  HMODULE library = LoadLibraryExW(WidePath(fileName).c_str(), nullptr,
                                   LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (!library) err = SystemMessage(GetLastError());
  return library;
}

void* SharedLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void UnloadSharedLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace migwiz::platform
