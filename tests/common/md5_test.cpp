#include "common/md5.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

TEST(Md5, Rfc1321TestSuite) {
    const char* cases[][2] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Md5Hex(c[0]), c[1]) << c[0];
}

TEST(Md5, PaddingBoundariesAndPiecewiseInput) {
    // 55 bytes leave room for the length in the last block, 56 do not.
    const std::pair<size_t, const char*> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"}, {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"}, {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"}, {1000, "cabe45dcc9ae5b66ba86600cca6b8ba8"},
    };
    for (const auto& [n, digest] : cases) EXPECT_EQ(Md5Hex(std::string(n, 'a')), digest) << n;

    // Uneven pieces crossing block borders give the digest of the whole.
    const std::string data(1000, 'a');
    Md5 md5;
    for (size_t pos = 0, step = 1; pos < data.size(); pos += step, step = step * 3 % 97 + 1) {
        md5.Update(std::string_view(data).substr(pos, step));
    }
    const auto digest = md5.Final();
    EXPECT_EQ(digest[0], 0xca);
    EXPECT_EQ(digest[15], 0xa8);
}

}  // namespace
}  // namespace lumo
