// MD5 message digest (RFC 1321).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumo {

class Md5 {
  public:
    Md5();
    void Update(std::string_view bytes);
    std::array<uint8_t, 16> Final();

  private:
    void Block(const uint8_t* p);
    uint32_t state_[4];
    uint64_t length_ = 0;  // bytes
    uint8_t buffer_[64];
};

// 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace lumo
