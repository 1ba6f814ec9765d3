#pragma once
#include <string>

#include "platform/FileException.h"

namespace gridmoor {

// The text for a file error's cause code; codes outside 0..14 get the text of code 1.
const char* FileErrorText(int cause);

// The cause as a reason the player can act on, for the season commands' lines and boxes: the
// text of FileErrorText, but the cause of a file held open named as that, not as "SHARE.EXE".
const char* FileErrorReason(int cause);

// A file error as the user sees it: the cause's text, "\r\n", the file's name.
std::string FileErrorMessage(const CFileException& error);

// The report of a file error that escapes a command (shown with the stop icon), worded about
// "an unnamed file": "Access to an unnamed file was denied." and the like.
std::string FailedCommandReport(const CFileException& error);

}  // namespace gridmoor
