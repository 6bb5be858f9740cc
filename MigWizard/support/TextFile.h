// The three encodings of unit and form files, and reading a file's text:
// the platform's, under the names the rest of the program knows them by.
#pragma once

#include "platform/TextFile.h"

namespace migwiz::support {

using platform::ByteOrderMark;
using platform::DecodeText;
using platform::EncodeText;
using platform::EncodingName;
using platform::ReadTextFile;
using platform::TEncoding;
using platform::TextFileContents;

}  // namespace migwiz::support
