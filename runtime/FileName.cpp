#include "runtime/FileName.h"

std::string ExtractFileExt(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::size_t slash = fileName.rfind('/');
  if (slash != std::string_view::npos && slash > dot) return {};
  return std::string(fileName.substr(dot));
}

std::string ExtractFileName(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  return std::string(slash == std::string_view::npos ? fileName : fileName.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(fileName.substr(0, slash + 1));
}

std::string LowerCaseText(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}
