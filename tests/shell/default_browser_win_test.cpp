// Registering as the web browser and reading registry strings, against the
// registry of the test's Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "common/handle_win.h"
#include "common/text_win.h"
#include "shell/default_browser.h"
#include "shell/default_browser_win.h"

using namespace lumo;

namespace {

// What `reg.exe query <key>` prints, run as a process of its own.
std::string RegQuery(const std::string& key) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return "<no pipe>";
    UniqueHandle read(readEnd), write(writeEnd);
    SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write.get();
    PROCESS_INFORMATION pi{};
    std::wstring cmd = ToW("reg.exe query \"" + key + "\"");
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return "<reg.exe did not start>";
    UniqueHandle proc(pi.hProcess), thread(pi.hThread);
    write.reset();  // the pipe ends when reg.exe ends
    std::string out;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(read.get(), buf, sizeof(buf), &n, nullptr) && n > 0) out.append(buf, n);
    WaitForSingleObject(proc.get(), 10000);
    // reg.exe writes a redirected output in the console's code page.
    std::wstring wide(out.size(), L'\0');
    wide.resize(MultiByteToWideChar(GetConsoleOutputCP() ? GetConsoleOutputCP() : CP_OEMCP, 0,
                                    out.data(), static_cast<int>(out.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return FromW(wide);
}

void DeleteTree(const std::string& key) {
    RegDeleteTreeW(HKEY_CURRENT_USER, ToW(key).c_str());
}

// Removes the registration, also when a check stops the test early.
struct RegistrationCleanup {
    ~RegistrationCleanup() {
        DeleteTree(std::string(kUserClassesKey) + "http");
        DeleteTree(std::string(kUserClassesKey) + kUrlProgId);
        DeleteTree(kClientKey);
        UniqueHkey apps;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ToW(kRegisteredAppsKey).c_str(), 0, KEY_SET_VALUE,
                          apps.put()) == ERROR_SUCCESS)
            RegDeleteValueW(apps.get(), ToW(kClientName).c_str());
    }
};

// Windows shows the per-user classes through HKEY_CLASSES_ROOT; Wine 8 shows
// only the machine's.
bool ClassesRootShowsUserClasses() {
    UniqueHkey probe, merged;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\LumoProbe", 0, nullptr, 0, KEY_READ,
                    nullptr, probe.put(), nullptr);
    bool shown =
        RegOpenKeyExW(HKEY_CLASSES_ROOT, L"LumoProbe", 0, KEY_READ, merged.put()) == ERROR_SUCCESS;
    DeleteTree("Software\\Classes\\LumoProbe");
    return shown;
}

}  // namespace

TEST(WinDefaultBrowser, RegistrationIsVisibleToOtherProcessesAndThroughClassesRoot) {
    const std::string exe = "C:\\游戏 盒子\\Lumo.exe";
    const std::string command = "\"" + exe + "\" \"%1\"";
    RegistrationCleanup cleanup;
    ASSERT_EQ(SetAsDefaultBrowser(exe), RegisterResult::Registered);

    const std::string classes = kUserClassesKey;
    EXPECT_NE(RegQuery("HKCU\\" + classes + "http\\shell\\open\\command").find(command),
              std::string::npos);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER,
                                 classes + "http\\shell\\open\\ddeexec\\Application", ""),
              "Lumo");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, classes + "LumoURL\\shell\\open\\command", ""),
              command);
    const std::string caps = ReadRegistryString(HKEY_CURRENT_USER, kRegisteredAppsKey, "Lumo");
    EXPECT_EQ(caps, kCapabilitiesKey);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, caps + "\\URLAssociations", "https"),
              "LumoURL");
    if (ClassesRootShowsUserClasses()) {
        EXPECT_NE(RegQuery("HKCR\\http\\shell\\open\\command").find(command), std::string::npos);
        EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", ""), command);
        EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, "LumoURL\\shell\\open\\command", ""),
                  command);
    } else {
        std::printf("note: HKEY_CLASSES_ROOT does not show per-user classes here; not checked\n");
    }

    // Registering again (e.g. from a moved program folder) overwrites.
    ASSERT_EQ(SetAsDefaultBrowser("D:\\Lumo.exe"), RegisterResult::Registered);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, classes + "http\\shell\\open\\command", ""),
              "\"D:\\Lumo.exe\" \"%1\"");
    // A path that could break out of its quotes writes nothing.
    EXPECT_EQ(SetAsDefaultBrowser("D:\\a\" \"x.exe"), RegisterResult::Failed);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, classes + "http\\shell\\open\\command", ""),
              "\"D:\\Lumo.exe\" \"%1\"");
}

// Whether any value of `writes` is still in the registry.
bool AnyLeft(const std::vector<RegistryWrite>& writes) {
    for (const RegistryWrite& w : writes) {
        UniqueHkey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ToW(w.key).c_str(), 0, KEY_QUERY_VALUE, key.put()) ==
                ERROR_SUCCESS &&
            RegQueryValueExW(key.get(), w.name.empty() ? nullptr : ToW(w.name).c_str(), nullptr,
                             nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            return true;
    }
    return false;
}

TEST(WinDefaultBrowser, RemovalTakesEveryValueOfEitherRegistrationButAnotherBrowsersHandler) {
    const std::string exe = "C:\\用户\\Programs\\Lumo\\Lumo.exe";
    const std::string classes = kUserClassesKey;
    RegistrationCleanup cleanup;
    // The installer's registration: the capabilities, not the handler.
    ASSERT_EQ(RegisterBrowserCapabilities(exe), RegisterResult::Registered);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kRegisteredAppsKey, "Lumo"), kCapabilitiesKey);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, classes + "http\\shell\\open\\command", ""),
              "");
    // The player then made Lumo the browser from the menu; uninstalling
    // takes all of it, down to the emptied "http" keys.
    ASSERT_EQ(SetAsDefaultBrowser(exe), RegisterResult::Registered);
    EXPECT_TRUE(RemoveBrowserRegistration(exe));
    EXPECT_FALSE(AnyLeft(DefaultBrowserWrites(exe)));
    for (const std::string& key :
         {classes + "http", classes + kUrlProgId, std::string(kClientKey)}) {
        UniqueHkey k;
        EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, ToW(key).c_str(), 0, KEY_READ, k.put()),
                  ERROR_SUCCESS)
            << key;
    }
    EXPECT_TRUE(RemoveBrowserRegistration(exe));  // nothing there: still clean

    // Another browser took the handler after Lumo: it stays, Lumo's own go.
    ASSERT_EQ(SetAsDefaultBrowser(exe), RegisterResult::Registered);
    ASSERT_EQ(SetAsDefaultBrowser("D:\\Other\\browser.exe"), RegisterResult::Registered);
    ASSERT_EQ(RegisterBrowserCapabilities(exe), RegisterResult::Registered);
    EXPECT_TRUE(RemoveBrowserRegistration(exe));
    EXPECT_FALSE(AnyLeft(BrowserCapabilityWrites(exe)));
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, classes + "http\\shell\\open\\command", ""),
              "\"D:\\Other\\browser.exe\" \"%1\"");
}

TEST(WinRegistryString, ReadsStringsExpandsAndRejectsTheRest) {
    const std::wstring keyPath = L"Software\\LumoTest\\Strings";
    UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    auto set = [&](const wchar_t* name, DWORD type, const std::wstring& data, DWORD bytes) {
        RegSetValueExW(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       bytes);
    };
    auto setText = [&](const wchar_t* name, DWORD type, const std::wstring& data) {
        set(name, type, data, static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    };
    setText(L"Start Page", REG_SZ, ToW("http://游戏.example/首页"));
    setText(L"Expand", REG_EXPAND_SZ, L"%SystemRoot%\\x");
    setText(nullptr, REG_SZ, L"default");
    set(L"Unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    DWORD number = 7;
    RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof(number));
    setText(L"Huge", REG_SZ, std::wstring(kMaxRegistryStringBytes, L'a'));

    wchar_t root[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    const std::string k = FromW(keyPath);
    struct Case {
        std::string key, name, expected;
    } cases[] = {
        {k, "Start Page", "http://游戏.example/首页"},
        {k, "Expand", FromW(root) + "\\x"},
        {k, "", "default"},
        {k, "Unterminated", "abc"},
        {k, "Number", ""},
        {k, "Huge", ""},
        {k, "Missing", ""},
        {"Software\\LumoTest\\NoSuchKey", "Start Page", ""},
    };
    ASSERT_NE(FromW(root), "");
    for (const Case& c : cases)
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, c.key, c.name), c.expected) << c.name;

    key.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumoTest");
}
