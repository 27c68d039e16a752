#include "base/path_text.h"

namespace zyn {

std::filesystem::path gf_pathFromUtf8(std::string_view utf8) {
  const std::u8string_view text(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
  return std::filesystem::path(text);
}

std::string gf_utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string gf_utf8FileName(const std::filesystem::path& path) {
  return gf_utf8FromPath(path.filename());
}

} // namespace zyn
