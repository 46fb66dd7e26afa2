// Process-level operations of the shell: finding a running shell, clearing
// the cookie folders, the single-instance rule and the exit steps.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace lumo {

// The main window of another running shell of this executable name: the
// first enabled top-level "TfrmMain" window of a process whose executable
// name matches, processes tried in snapshot order; null when none.
HWND FindRunningShell(const std::string& exeName);

// Removes a folder with everything in it, in this process; false when
// something is left (a file still held open).
bool RemoveFolderTree(const std::string& folder);

// Removes "<program folder>cookies" (the page cookie folders). Called when
// no page process runs: at start and after every page has ended at exit.
void ClearCookieFolders(const std::string& programFolder);

// Ends this shell's page processes with it, however it ends: the shell
// joins a job that ends every process in it when its last handle closes,
// which is when this process ends. Pages join at creation, by inheritance,
// so a page whose start the shell's death interrupted (still suspended,
// never able to watch its shell) ends too. Programs that must outlive the
// shell are started with CREATE_BREAKAWAY_FROM_JOB. False when the process
// cannot join (it is in a job that allows no nesting): pages then end by
// watching their shell only.
bool TiePagesToThisProcess();

// Runs the message loop `loop` and then `exitSteps`, also when the loop ends
// by an exception. Returns the loop's exit code (1 after an exception).
int RunWithExitSteps(const std::function<int()>& loop, const std::function<void()>& exitSteps);

// The standard message loop; returns the WM_QUIT code.
int RunMessageLoop();

}  // namespace lumo
