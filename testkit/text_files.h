// Text files a test writes or reads back: logs, records, scripts.
#pragma once

#include <string>
#include <vector>

namespace testkit {

// The file's bytes; empty when it cannot be read.
std::string ReadTextFile(const std::string& path);

// The lines of a text, each without its line end (CR LF or LF).
std::vector<std::string> TextLines(const std::string& text);

} // namespace testkit
