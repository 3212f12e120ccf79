#pragma once
// Error kinds the program raises. Each carries the text the error report shows.

#include <stdexcept>
#include <string>

class EError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EOutOfResources : public EError { using EError::EError; };    // a bitmap could not be made
class EClipboardException : public EError { using EError::EError; };
class EFCreateError : public EError { using EError::EError; };      // a file could not be created
class EWriteError : public EError { using EError::EError; };        // "Stream write error"
class ERegistryException : public EError { using EError::EError; };
class EInvalidCast : public EError { using EError::EError; };

// The system's message text for a Win32 error code, with trailing blanks, control characters
// and periods removed; empty when the system has no text for it.
std::string SysErrorMessage(unsigned long code);

// The text for a failed GDI allocation: the last error's message, or "Out of system resources".
std::string OutOfResourcesText();
