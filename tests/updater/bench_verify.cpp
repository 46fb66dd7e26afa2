// Time the updater spends on an update's signature: bench_verify FILE
// VERSIONFILE reads FILE, takes the signature from VERSIONFILE (signed with
// the built-in key) and prints the medians of 21 checks.
#include <cstdio>
#include <string>

#include "common/file.h"
#include "tests/support/bench_stats.h"
#include "updater/signature_win.h"
#include "updater/update_signature.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_verify FILE VERSIONFILE\n");
        return 2;
    }
    const auto version = lumo::ReadFileBytes(argv[2]);
    const auto field = lumo::ReadUpdateSignature(version.value_or(""));
    const auto data = lumo::ReadFileBytes(argv[1]);
    if (!data || field.state != lumo::UpdateSignatureField::State::Present ||
        lumo::VerifyUpdateSignature(*data, field.rs) != lumo::SignatureCheck::Valid) {
        std::fprintf(stderr, "no valid signature for %s\n", argv[1]);
        return 1;
    }
    bool allValid = true;
    const double verifyMs = lumo::test::MedianMs(21, [&] {
        allValid &= lumo::VerifyUpdateSignature(*data, field.rs) == lumo::SignatureCheck::Valid;
    });
    const double wholeMs = lumo::test::MedianMs(21, [&] {
        const auto bytes = lumo::ReadFileBytes(argv[1]);
        allValid &=
            bytes && lumo::VerifyUpdateSignature(*bytes, field.rs) == lumo::SignatureCheck::Valid;
    });
    std::printf(
        "signature check of %zu bytes (median of 21): %.2f ms hash and verify, %.2f ms with "
        "reading the file%s\n",
        data->size(), verifyMs, wholeMs, allValid ? "" : " (SOME FAILED)");
    return allValid ? 0 : 1;
}
