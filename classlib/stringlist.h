// A list of strings, each with an object attached, in insertion order.
#pragma once

#include "classes.h"

#include <string>
#include <utility>
#include <vector>

namespace classlib {

class TStringList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int index) const { return FItems.at(index).first; }
  TObject* Objects(int index) const { return FItems.at(index).second; }
  void AddObject(std::string text, TObject* object) {
    FItems.emplace_back(std::move(text), object);
  }
  void Delete(int index) { FItems.erase(FItems.begin() + index); }
  // The first entry whose text is `text`, or -1.
  int IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
      if (FItems[i].first == text) return i;
    return -1;
  }

private:
  std::vector<std::pair<std::string, TObject*>> FItems;
};

} // namespace classlib
