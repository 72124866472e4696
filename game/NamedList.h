#pragma once

#include "base/heron_string.h"

#include <memory>
#include <vector>

// Appends a new item of that name to an owned list; the first item appended becomes current.
template <class Item>
Item* appendNamed(std::vector<std::unique_ptr<Item>>& items, const heron_string& name, Item*& current)
{
    items.push_back(std::make_unique<Item>());
    Item* const item = items.back().get();
    item->name = name;
    if (items.size() == 1) {
        current = item;
    }
    return item;
}
