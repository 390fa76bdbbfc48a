#include "text/catalogue.h"

namespace petitora {

std::string Format(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9' &&
            static_cast<std::size_t>(next - '1') < values.size()) {
            out += values.begin()[next - '1'];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace petitora
