#include "library/bill_protect_win.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "common/on_demand_win.h"

namespace lumo {

namespace {

// A blob the system allocated with LocalAlloc; wiped (it may hold a
// password) and freed on leaving.
class LocalBlob {
  public:
    LocalBlob() = default;
    LocalBlob(const LocalBlob&) = delete;
    LocalBlob& operator=(const LocalBlob&) = delete;
    ~LocalBlob() {
        if (blob_.pbData) {
            SecureZeroMemory(blob_.pbData, blob_.cbData);
            LocalFree(blob_.pbData);
        }
    }
    DATA_BLOB* put() { return &blob_; }
    std::string bytes() const {
        return std::string(reinterpret_cast<const char*>(blob_.pbData), blob_.cbData);
    }

  private:
    DATA_BLOB blob_{};
};

DATA_BLOB BlobOf(std::string_view bytes) {
    return DATA_BLOB{static_cast<DWORD>(bytes.size()),
                     reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

// Mixed into every protected bill, so other programs of the same user that
// unprotect blindly do not read ours.
constexpr std::string_view kEntropy = "Lumo saved login form v1";

std::optional<std::string> Protect(std::string_view plain) {
    DATA_BLOB in = BlobOf(plain);
    DATA_BLOB entropy = BlobOf(kEntropy);
    LocalBlob out;
    if (!ondemand::CryptProtectData(&in, L"Lumo saved login", &entropy, nullptr, nullptr,
                                    CRYPTPROTECT_UI_FORBIDDEN, out.put()))
        return std::nullopt;
    return out.bytes();
}

std::optional<std::string> Unprotect(std::string_view stored) {
    DATA_BLOB in = BlobOf(stored);
    DATA_BLOB entropy = BlobOf(kEntropy);
    LocalBlob out;
    if (!ondemand::CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr,
                                      CRYPTPROTECT_UI_FORBIDDEN, out.put()))
        return std::nullopt;
    return out.bytes();
}

}  // namespace

BillProtector UserBillProtector() {
    return BillProtector{Protect, Unprotect};
}

}  // namespace lumo
