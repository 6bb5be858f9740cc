#include "platform/PathNames.h"

#include "platform/FileSystem.h"

namespace migwiz::platform {

std::string ConcatPath(std::string_view path, std::string_view name) {
  std::string result(path);
  if (!result.empty() && result.back() != kPathDelim) result += kPathDelim;
  if (name.empty()) return result;
  if (name.size() >= 2 && name.front() == kPathDelim)
    result.append(name.substr(1));
  else
    result.append(name);
  return result;
}

namespace {

size_t ExtensionDot(std::string_view path) {
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return dot;
  size_t delim = path.rfind(kPathDelim);
  if (delim != std::string_view::npos && delim > dot) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string ExtractFileExt(std::string_view path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  size_t dot = ExtensionDot(path);
  std::string result(dot == std::string_view::npos ? path : path.substr(0, dot));
  result.append(ext);
  return result;
}

std::string ExtractFileName(std::string_view path) {
  size_t delim = path.rfind(kPathDelim);
  return std::string(delim == std::string_view::npos ? path : path.substr(delim + 1));
}

std::string ExtractFilePath(std::string_view path) {
  size_t delim = path.rfind(kPathDelim);
  return delim == std::string_view::npos ? std::string() : std::string(path.substr(0, delim + 1));
}

std::string ExtractFileDir(std::string_view path) {
  size_t delim = path.rfind(kPathDelim);
  if (delim == std::string_view::npos) return std::string();
  return std::string(path.substr(0, delim == 0 ? 1 : delim));
}

}  // namespace migwiz::platform
