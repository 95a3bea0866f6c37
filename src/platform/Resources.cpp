#include "platform/Resources.h"

#include <map>
#include <mutex>
#include <utility>

namespace Platform {
namespace {

// A function-local table: the generated registrations run during static
// initialisation, in an order we do not control.
struct Table {
    std::mutex lock;
    std::map<std::pair<std::string, int>, ResourceData> entries;
};

Table& TheTable() {
    static Table table;
    return table;
}

}  // namespace

ResourceData FindResource(const std::string& type, int number) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.entries.find({type, number});
    return it == t.entries.end() ? ResourceData{} : it->second;
}

void RegisterResource(const std::string& type, int number, const uint8_t* data, size_t size) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    t.entries[{type, number}] = ResourceData{data, size};
}

}  // namespace Platform
