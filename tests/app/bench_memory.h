// Where a process's memory goes, by module, for the page benchmarks: the
// modules it has loaded with their image sizes, and how much of each is
// resident and private.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lumo::test {

struct MemoryPart {
    std::string name;       // a module, a Linux library of Wine's, or "(anonymous)"
    double imageKb = 0;     // the module's image size (0 for other parts)
    double residentKb = 0;  // in the working set
    double privateKb = 0;   // of that, in no other process's working set
};

struct ProcessMemory {
    // The system's counters.
    double workingSetKb = 0;
    double privateBytesKb = 0;
    // Largest resident first. Under Wine the parts are read from the Linux
    // process behind the Windows one (/proc/<pid>/smaps through drive Z:,
    // as Wine answers no per-page working-set query for another process):
    // the modules, Wine's own Linux libraries, and the anonymous rest
    // (heaps, stacks). On Windows: QueryWorkingSetEx over each module.
    std::vector<MemoryPart> parts;
    std::string source;  // how the parts were measured; "" when not at all
    double ResidentKb() const;
    double PrivateKb() const;
    // The private bytes, or where the system reports none (Wine) the
    // resident pages no other process maps.
    double PrivateOrResidentPrivateKb() const {
        return privateBytesKb > 0 ? privateBytesKb : PrivateKb();
    }
};

ProcessMemory MeasureProcess(DWORD pid);

// The `top` largest parts, then the rest summed up, then the totals.
void PrintMemoryTable(const std::string& title, const ProcessMemory& m, size_t top);

}  // namespace lumo::test
