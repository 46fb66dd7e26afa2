// Loopback throughput of the download component: bench_download URL FILE
// prints "bytes seconds MB/s" of one whole download into FILE.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/text_win.h"
#include "updater/http_get_win.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_download URL FILE\n");
        return 2;
    }
    DeleteFileA(argv[2]);
    DeleteFileA((std::string(argv[2]) + ".ini").c_str());
    lumo::HttpDownload http;
    http.URL = argv[1];
    http.FileName = argv[2];
    http.BinaryData = true;
    http.WaitThread = true;
    bool ok = false;
    std::int64_t size = 0;
    http.OnDoneFile = [&](const std::string&, std::int64_t bytes) {
        ok = true;
        size = bytes;
    };
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    http.StartFileDownload();
    QueryPerformanceCounter(&end);
    const double seconds = double(end.QuadPart - start.QuadPart) / double(freq.QuadPart);
    if (!ok) {
        std::fprintf(stderr, "download failed (status %d)\n", http.LastStatus());
        return 1;
    }
    std::printf("%lld %.3f %.1f\n", static_cast<long long>(size), seconds,
                double(size) / seconds / 1e6);
    DeleteFileA(argv[2]);
    DeleteFileA((std::string(argv[2]) + ".ini").c_str());
    return 0;
}
