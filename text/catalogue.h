// The program's texts. Each layer writes its own in one table of UTF-8
// literals, read with Text(id) (an overload per layer's id); the Windows-1252
// bytes of the records, files and message boxes are made here, once per table.
// A text puts in values with Format: "%1".."%9", replaced in one pass.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp1252.h"

namespace petitora {

// One table's texts in Windows-1252, indexed by Id (an enumeration ending in
// Count). A text that has no Windows-1252 form is a programming error: it
// reads as "", which the test that walks every table finds.
template <typename Id>
class Catalogue {
  public:
    template <std::size_t N>
    explicit Catalogue(const char* const (&utf8)[N]) {
        static_assert(N == static_cast<std::size_t>(Id::Count), "one text for every id");
        for (const char* text : utf8) texts_.push_back(Utf8ToCp1252(text).value_or(""));
    }

    // NUL-terminated, as long as the catalogue lives; "" for an id outside the table.
    const char* operator[](Id id) const {
        const auto index = static_cast<std::size_t>(id);
        return index < texts_.size() ? texts_[index].c_str() : "";
    }

  private:
    std::vector<std::string> texts_;
};

// text with each "%n" replaced by the n-th value (n from 1 to 9, up to the
// number of values); nothing else in text, and nothing in a value, is read.
std::string Format(std::string_view text, std::initializer_list<std::string_view> values);

}  // namespace petitora
