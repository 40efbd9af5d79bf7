// Helpers shared by the tests of the 8-bit and the wide string lists.
#pragma once

#include "StringList.h"

#include <vector>

template <typename S>
std::vector<S> ItemsOf(const TStringsBase<S>& list) {
  std::vector<S> items;
  for (int i = 0; i < list.Count(); ++i)
    items.push_back(list.Strings(i));
  return items;
}

template <typename S>
void Fill(TStringsBase<S>& list, const std::vector<S>& items) {
  for (const auto& s : items)
    list.Add(s);
}
