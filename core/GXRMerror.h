#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "GXRMapi.h"

namespace gxrm {

/// Failure codes carried by DomError.
enum ErrorCode : uint32_t {
  kErrPointer = 0x80004003,       ///< operation on an empty handle or without a document
  kErrOutOfMemory = 0x8007000E,   ///< memory could not be had
  kErrInvalidArg = 0x80070057,    ///< illegal XML name, or a character XML cannot carry
  kErrNoUnicodeMap = 0x80070459,  ///< 8-bit text that is no valid GBK/GB18030
  kErrPathNotFound = 0x80070003,  ///< saving: the directory does not exist
  kErrAccessDenied = 0x80070005,  ///< saving: access denied or read-only file system
  kErrDiskFull = 0x80070070,      ///< saving: the disk is full
  kErrFail = 0x80004005,          ///< any other failure of the file system or the DOM
};

/// The exception raised by every failing DOM operation.
///
/// Hosts catch gxrm::DomError; Error() gives the 32-bit failure code and what()
/// a readable message with the code in hexadecimal and what failed. Nothing
/// inside the library catches it.
class GXRM_API DomError : public std::exception {
 public:
  /// `what` says what failed; the message adds the code in hexadecimal.
  DomError(uint32_t code, const std::string& what);
  /// The 32-bit failure code.
  uint32_t Error() const noexcept { return code_; }
  const char* what() const noexcept override { return message_.c_str(); }  ///< the message

 private:
  uint32_t code_;
  std::string message_;
};

/// Raises DomError with the code and a message naming what failed.
[[noreturn]] GXRM_API void ThrowDomError(uint32_t code, const std::string& what);

}  // namespace gxrm
