#include "platform/gui/Resource.h"

#include <strings.h>

#include <mutex>
#include <string>
#include <vector>

namespace DUI {
namespace {

struct Entry {
  int id;
  std::string type;
  const uint8_t* data;
  size_t size;
};

// Filled by static initialisers of the generated sources, so it is built on first use.
std::vector<Entry>& Table() {
  static std::vector<Entry> table;
  return table;
}
std::mutex& TableLock() {
  static std::mutex m;
  return m;
}

}  // namespace

bool RegisterResource(int id, const char* type, const uint8_t* data, size_t size) {
  if (!type || !data) return false;
  std::lock_guard<std::mutex> lock(TableLock());
  Table().push_back({id, type, data, size});
  return true;
}

ResourceData FindResource(int id, const char* type) {
  if (!type) return {};
  std::lock_guard<std::mutex> lock(TableLock());
  for (const Entry& e : Table())
    if (e.id == id && strcasecmp(e.type.c_str(), type) == 0) return {e.data, e.size};
  return {};
}

}  // namespace DUI
