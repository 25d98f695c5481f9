#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <typeindex>
#include <typeinfo>

// The tables procedures derive from one set of engine definitions (their rows as they read
// them), one per table type.
namespace kelvane::query {

class DerivedTables {
public:
    // The table, built by `build` on first use and kept from then on: a set never changes.
    template <typename Table, typename Build> const Table& get(Build&& build) {
        std::lock_guard lock(mutex_);
        std::shared_ptr<void>& slot = tables_[std::type_index(typeid(Table))];
        if (!slot)
            slot = std::make_shared<Table>(build());
        return *static_cast<const Table*>(slot.get());
    }

private:
    std::mutex mutex_;
    std::map<std::type_index, std::shared_ptr<void>> tables_;
};

} // namespace kelvane::query
