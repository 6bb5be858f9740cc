#include "platform/FileSystem.h"

#include "platform/NativeFileSystem.h"

namespace migwiz::platform {

FileSystem& SystemFileSystem() {
  static NativeFileSystem instance;
  return instance;
}

}  // namespace migwiz::platform
