// Parts of file names. The folder part of a name ends at its last "/".
#pragma once

#include <string>
#include <string_view>

// The text from the last "." to the end, when that period comes after the last
// "/"; otherwise empty. "/a.b/file" has none, "/x/a.JPG" gives ".JPG".
std::string ExtractFileExt(std::string_view fileName);
// The name after the last "/" (the whole name when there is none).
std::string ExtractFileName(std::string_view fileName);
// The folder part including its final "/"; empty when there is none.
std::string ExtractFilePath(std::string_view fileName);
// text with the letters A to Z turned into a to z; other bytes (and so every
// character beyond ASCII) are kept, as the extension look-ups need.
std::string LowerCaseText(std::string_view text);
