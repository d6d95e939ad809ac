#include "manager/list_rows.h"

namespace tivolen::manager {

void ListRows::GrowRows() {
  const auto size = static_cast<std::size_t>(rowCapacity) + 1;
  path.resize(size);
  kind.resize(size, 0);
  style.resize(size, 0);
  ratio.resize(size, 0);
}

bool ListRows::growOneStep() {
  if (rowCapacity >= kMaxRowCapacity) return false;
  ++rowCapacity;
  GrowRows();
  return true;
}

std::string DisplayName(std::string_view path) {
  if (path.size() < 2) return std::string(path);
  const auto slash = path.rfind('/', path.size() - 2);
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(slash + 1));
}

}  // namespace tivolen::manager
