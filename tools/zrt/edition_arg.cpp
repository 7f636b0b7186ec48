#include "edition_arg.h"

#include <filesystem>

#include "cp1251.h"

namespace zrt::cli {

bool OpenedEdition::Open(const std::string& path, std::string* error) {
  if (std::filesystem::is_directory(path)) {
    *error = path + ": is a folder; name an edition's base path or one of its files";
    return false;
  }
  if (ZRT_Open(&handle_, path.c_str(), nullptr) == 0) return true;
  const std::string why = ZRT_ErrMsg(&handle_);
  *error = "cannot open edition " + path + (why.empty() ? "" : ": " + why);
  return false;
}

std::string Utf8(const char* cp1251) { return cp1251 ? ToUtf8(cp1251) : std::string(); }

}  // namespace zrt::cli
