#pragma once
// What the picture surface hands out: a bitmap on the clipboard, and a Windows bitmap file.

#include <windows.h>

#include <string>

class TPictureImage;

// The clipboard, opened for the program's window. Openings are counted: only the outermost
// close closes the clipboard, so an opening nested in another (the emptying) is harmless.
class TClipboardService {
 public:
  explicit TClipboardService(HWND owner) : owner_(owner) {}
  ~TClipboardService();
  TClipboardService(const TClipboardService&) = delete;
  TClipboardService& operator=(const TClipboardService&) = delete;

  // Throws EClipboardException("Cannot open clipboard") when another program holds it.
  void Open();
  void Close();
  // Empties the clipboard (an opening of its own inside the caller's).
  void Clear();

 private:
  HWND owner_;
  int open_count_ = 0;
};

// Copy picture: the surface as CF_BITMAP (a copy the clipboard owns). Without a surface, or
// with an empty one, the clipboard is left alone.
void CopyPictureToClipboard(TPictureImage& image, TClipboardService& clipboard);

// Writes the surface to `fileName` as a Windows bitmap file, whatever its extension. An
// earlier file of that name is replaced by a complete new one written beside it, so a failed
// write leaves it as it was; it keeps its attributes and permissions. An earlier file with
// other names (hard links), or one in a folder that takes no new files, is written in place.
// Throws EFCreateError ("Cannot create file "<full path>". <reason>", the reason the target's
// own opening gives), EWriteError ("Stream write error") or EOutOfResources. Without a
// surface nothing is written.
void SavePictureToFile(TPictureImage& image, const std::string& fileName);
