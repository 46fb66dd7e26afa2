// Where a process's memory goes, by module (see bench_memory.h).
#include "tests/app/bench_memory.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "common/handle_win.h"
#include "common/text.h"
#include "common/text_win.h"
#include "tests/support/test_support.h"

namespace lumo::test {

namespace {

struct Module {
    std::string name;
    uintptr_t base = 0;
    size_t size = 0;
};

std::vector<Module> ModulesOf(HANDLE process) {
    std::vector<HMODULE> handles(512);
    DWORD needed = 0;
    if (!EnumProcessModulesEx(process, handles.data(),
                              static_cast<DWORD>(handles.size() * sizeof(HMODULE)), &needed,
                              LIST_MODULES_ALL))
        return {};
    handles.resize(std::min<size_t>(handles.size(), needed / sizeof(HMODULE)));
    std::vector<Module> modules;
    for (HMODULE h : handles) {
        MODULEINFO info{};
        wchar_t name[MAX_PATH] = L"?";
        if (!GetModuleInformation(process, h, &info, sizeof(info)))
            continue;
        GetModuleBaseNameW(process, h, name, MAX_PATH);
        modules.push_back({AsciiLower(FromW(name)), reinterpret_cast<uintptr_t>(info.lpBaseOfDll),
                           info.SizeOfImage});
    }
    return modules;
}

// A whole file read through the Win32 API ("" when it cannot be read);
// files of /proc report no size, so this reads until the end.
std::string ReadWhole(const std::string& path) {
    UniqueHandle f(CreateFileW(ToW(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    std::string out;
    if (!f.valid())
        return out;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        out.append(buffer, got);
    return out;
}

// A command line without its quotes, for comparing Wine's Linux one (the
// arguments unquoted, cut to the room the original one had) with the Windows one.
std::string Unquoted(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    std::replace(s.begin(), s.end(), '\0', ' ');
    return Trim(s);
}

// The Linux process behind Windows process `pid` under Wine: the one whose
// command line is the longest start of the Windows one (a shell's is the
// start of its pages') and which maps the main module at its base. 0 when
// there is none or more than one.
unsigned LinuxPidOf(DWORD pid, uintptr_t exeBase) {
    std::string line = Unquoted(ProcessCommandLine(pid));
    if (line.empty())
        return 0;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    std::vector<unsigned> found;
    size_t longest = 0;
    char base[32];
    std::snprintf(base, sizeof(base), "\n%llx-", static_cast<unsigned long long>(exeBase));
    do {
        std::string dir = FromW(fd.cFileName);
        if (dir.empty() || dir.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string cmd = Unquoted(ReadWhole("Z:\\proc\\" + dir + "\\cmdline"));
        if (cmd.size() < 8 || cmd.size() < longest || line.compare(0, cmd.size(), cmd) != 0)
            continue;
        std::string maps = "\n" + ReadWhole("Z:\\proc\\" + dir + "\\maps");
        if (maps.find(base) == std::string::npos)
            continue;
        if (cmd.size() > longest)
            found.clear(), longest = cmd.size();
        found.push_back(static_cast<unsigned>(std::strtoul(dir.c_str(), nullptr, 10)));
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return found.size() == 1 ? found[0] : 0;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Parts from /proc/<pid>/smaps: each mapping goes to the module whose image
// holds it, else to the file it maps, else to "(anonymous)".
bool FromSmaps(unsigned linuxPid, const std::vector<Module>& modules,
               std::map<std::string, MemoryPart>& parts) {
    std::istringstream in(ReadWhole("Z:\\proc\\" + std::to_string(linuxPid) + "\\smaps"));
    std::string text;
    MemoryPart* current = nullptr;
    bool any = false;
    while (std::getline(in, text)) {
        unsigned long long start = 0, end = 0;
        char perms[8], offset[32], dev[32], inode[32], path[1024] = "";
        if (std::sscanf(text.c_str(), "%llx-%llx %7s %31s %31s %31s %1023[^\n]", &start, &end,
                        perms, offset, dev, inode, path) >= 6) {
            std::string name = "(anonymous)";
            auto m = std::find_if(modules.begin(), modules.end(), [&](const Module& mod) {
                return start >= mod.base && start < mod.base + mod.size;
            });
            if (m != modules.end())
                name = m->name;
            else if (path[0])
                name = BaseName(Trim(path));
            current = &parts[name];
            current->name = name;
            any = true;
            continue;
        }
        unsigned long long kb = 0;
        char field[64];
        if (!current || std::sscanf(text.c_str(), "%63[^:]: %llu kB", field, &kb) != 2)
            continue;
        std::string f = field;
        if (f == "Rss")
            current->residentKb += static_cast<double>(kb);
        else if (f == "Private_Clean" || f == "Private_Dirty")
            current->privateKb += static_cast<double>(kb);
    }
    return any;
}

// Parts from QueryWorkingSetEx, page by page over each module's image.
bool FromWorkingSetEx(HANDLE process, const std::vector<Module>& modules,
                      std::map<std::string, MemoryPart>& parts) {
    const size_t page = 4096;
    for (const Module& m : modules) {
        std::vector<PSAPI_WORKING_SET_EX_INFORMATION> pages(m.size / page);
        for (size_t i = 0; i < pages.size(); ++i)
            pages[i].VirtualAddress = reinterpret_cast<void*>(m.base + i * page);
        if (!QueryWorkingSetEx(process, pages.data(),
                               static_cast<DWORD>(pages.size() * sizeof(pages[0]))))
            return false;
        MemoryPart& part = parts[m.name];
        part.name = m.name;
        for (const auto& p : pages) {
            if (!p.VirtualAttributes.Valid)
                continue;
            part.residentKb += page / 1024.0;
            if (!p.VirtualAttributes.Shared || p.VirtualAttributes.ShareCount <= 1)
                part.privateKb += page / 1024.0;
        }
    }
    return true;
}

}  // namespace

double ProcessMemory::ResidentKb() const {
    double kb = 0;
    for (const MemoryPart& p : parts) kb += p.residentKb;
    return kb;
}

double ProcessMemory::PrivateKb() const {
    double kb = 0;
    for (const MemoryPart& p : parts) kb += p.privateKb;
    return kb;
}

ProcessMemory MeasureProcess(DWORD pid) {
    ProcessMemory out;
    UniqueHandle p(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!p.valid())
        return out;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    if (GetProcessMemoryInfo(p.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                             sizeof(pmc))) {
        out.workingSetKb = static_cast<double>(pmc.WorkingSetSize) / 1024.0;
        out.privateBytesKb = static_cast<double>(pmc.PrivateUsage) / 1024.0;
    }
    std::vector<Module> modules = ModulesOf(p.get());
    std::map<std::string, MemoryPart> parts;
    bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    unsigned linuxPid = underWine && !modules.empty() ? LinuxPidOf(pid, modules[0].base) : 0;
    if (linuxPid && FromSmaps(linuxPid, modules, parts))
        out.source = "/proc/" + std::to_string(linuxPid) + "/smaps";
    else if (parts.clear(), FromWorkingSetEx(p.get(), modules, parts))
        out.source = "QueryWorkingSetEx";
    else
        parts.clear();
    for (const Module& m : modules) {
        MemoryPart& part = parts[m.name];
        part.name = m.name;
        part.imageKb = static_cast<double>(m.size) / 1024.0;
    }
    for (auto& [name, part] : parts) out.parts.push_back(part);
    std::sort(out.parts.begin(), out.parts.end(), [](const MemoryPart& a, const MemoryPart& b) {
        return a.residentKb != b.residentKb ? a.residentKb > b.residentKb : a.imageKb > b.imageKb;
    });
    return out;
}

void PrintMemoryTable(const std::string& title, const ProcessMemory& m, size_t top) {
    std::printf("%s: working set %.0f KB, private bytes %.0f KB; by part (%s):\n", title.c_str(),
                m.workingSetKb, m.privateBytesKb,
                m.source.empty() ? "not measurable here: loaded modules and image sizes only"
                                 : m.source.c_str());
    std::printf("    %-28s %9s %9s %9s\n", "part", "image KB", "resident", "private");
    MemoryPart rest{"(" + std::to_string(m.parts.size() > top ? m.parts.size() - top : 0) +
                    " more)"};
    for (size_t i = 0; i < m.parts.size(); ++i) {
        const MemoryPart& p = m.parts[i];
        if (i < top) {
            std::printf("    %-28s %9.0f %9.0f %9.0f\n", p.name.c_str(), p.imageKb, p.residentKb,
                        p.privateKb);
        } else {
            rest.imageKb += p.imageKb;
            rest.residentKb += p.residentKb;
            rest.privateKb += p.privateKb;
        }
    }
    if (m.parts.size() > top)
        std::printf("    %-28s %9.0f %9.0f %9.0f\n", rest.name.c_str(), rest.imageKb,
                    rest.residentKb, rest.privateKb);
    std::printf("    %-28s %9s %9.0f %9.0f\n", "total", "", m.ResidentKb(), m.PrivateKb());
}

}  // namespace lumo::test
