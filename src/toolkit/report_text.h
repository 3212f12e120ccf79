#pragma once
// The text the program-wide error report shows: the error's message with a final "." added
// when its last character sorts after ".".

#include <string>

inline std::string ReportText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}
