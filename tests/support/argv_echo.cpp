// Child of the command-line round-trip test: writes the arguments that
// CommandLineToArgvW gives back, as UTF-8, one per line with a length prefix,
// into the file named by the environment variable ARGV_ECHO_OUT.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t out[MAX_PATH];
    if (!argv || !GetEnvironmentVariableW(L"ARGV_ECHO_OUT", out, MAX_PATH))
        return 2;
    FILE* f = _wfopen(out, L"wb");
    if (!f)
        return 3;
    for (int i = 0; i < argc; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? n - 1 : 0, '\0');
        if (n > 1)
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, s.data(), n, nullptr, nullptr);
        std::fprintf(f, "%zu:", s.size());
        std::fwrite(s.data(), 1, s.size(), f);
        std::fputc('\n', f);
    }
    std::fclose(f);
    LocalFree(argv);
    return 0;
}
