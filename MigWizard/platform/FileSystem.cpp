#include "platform/FileSystem.h"

#include "platform/PosixFileSystem.h"

namespace migwiz::platform {

FileSystem& SystemFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

}  // namespace migwiz::platform
