#pragma once
// TJclFileVersionInfo: the version resource of an executable file. The raw block is fetched from
// the system once (GetFileVersionInfoSizeA, GetFileVersionInfoA) and walked by TVersionBlock; UTF-16
// text becomes text in the system's ANSI code page.

#include <string>
#include <string_view>

#include "about/version_block.h"

// A system call that failed, with the last error code and the system's text for it.
class EOSError : public EError {
 public:
  explicit EOSError(unsigned long code);
  unsigned long ErrorCode;
};

// "System Error.  Code: N.\r\n" and the system's text for N; "A call to an OS function failed"
// for code 0.
std::string OSErrorText(unsigned long code);

// WideCharToMultiByte with CP_ACP over all the units given, NULs included.
std::string AnsiFromWide(std::u16string_view units);

class TJclFileVersionInfo : public TVersionBlock {
 public:
  // Throws EJclFileVersionInfoError when the file has no version block (a missing file has
  // none) or the block is unreadable, EOSError when the system cannot hand out the block.
  explicit TJclFileVersionInfo(const std::string& fileName);

  using TVersionBlock::StandardValue;
  // Names compared with CompareStringA, LOCALE_USER_DEFAULT and NORM_IGNORECASE.
  std::string StandardValue(int index) const;
};
