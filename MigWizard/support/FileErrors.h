// Errors that stop a run because a file could not be created, read or written.
#pragma once

#include <stdexcept>

namespace migwiz::support {

class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EFCreateError : public EFileError {
 public:
  using EFileError::EFileError;
};
class EFOpenError : public EFileError {
 public:
  using EFileError::EFileError;
};
class EWriteError : public EFileError {
 public:
  using EFileError::EFileError;
};

}  // namespace migwiz::support
