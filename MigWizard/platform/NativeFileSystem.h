// The file system class of the system we are built for, for code that
// derives from it (tests that record or fail operations).
#pragma once

#ifdef _WIN32
#include "platform/Win32FileSystem.h"
namespace migwiz::platform {
using NativeFileSystem = Win32FileSystem;
}
#else
#include "platform/PosixFileSystem.h"
namespace migwiz::platform {
using NativeFileSystem = PosixFileSystem;
}
#endif
