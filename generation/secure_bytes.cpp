#include "generation/secure_bytes.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "crypto/common.h"

namespace petitora {

SecureBytes::SecureBytes(std::size_t size) {
    data_ = new (std::nothrow) std::uint8_t[size]();
    size_ = data_ != nullptr ? size : 0;
}

SecureBytes::~SecureBytes() {
    if (data_ == nullptr) return;
    cerrojo::SecureWipe(data_, size_);
    delete[] data_;
}

SecretText::SecretText() : storage_(kMaxKeyOptionText) {}

SecretText::~SecretText() {
    Clear();
}

void SecretText::Assign(std::string_view bytes) {
    Clear();
    if (storage_.data() == nullptr) return;
    length_ = std::min(bytes.size(), storage_.size());
    if (length_ != 0) std::memcpy(storage_.data(), bytes.data(), length_);
}

void SecretText::Clear() {
    if (storage_.data() != nullptr) cerrojo::SecureWipe(storage_.data(), storage_.size());
    length_ = 0;
}

std::string_view SecretText::View() const {
    if (storage_.data() == nullptr) return {};
    return std::string_view(reinterpret_cast<const char*>(storage_.data()), length_);
}

std::size_t SecretText::Size() const {
    return length_;
}

}  // namespace petitora
