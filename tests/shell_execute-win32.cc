// A test-only Windows program: asks the shell to do to FILE what Explorer
// does when the user picks VERB on its context menu, or opens it when VERB is
// empty (as Send To opens a shortcut with the dropped file as PARAMETERS).
//   shell_execute VERB FILE [PARAMETERS]
// Ends with the started program's exit status, or with one of its own
// (shell_execute.h) when there is none to give.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "shell_execute.h"

using namespace shell_execute_status;

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) {
    std::fputs("usage: shell_execute VERB FILE [PARAMETERS]\n", stderr);
    return kUsage;
  }
  // The shell's handlers expect a single-threaded apartment, as in Explorer.
  [[maybe_unused]] const HRESULT com =
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = argv[1][0] != L'\0' ? argv[1] : nullptr;
  info.lpFile = argv[2];
  info.lpParameters = argc == 4 ? argv[3] : nullptr;
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info) == FALSE) {
    std::fprintf(stderr, "ShellExecuteEx failed: error %lu\n", GetLastError());
    return kShellFailed;
  }
  if (info.hProcess == nullptr) {
    std::fputs("the shell started no process it could hand back\n", stderr);
    return kNoProcess;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(info.hProcess, &status);
  CloseHandle(info.hProcess);
  return static_cast<int>(status);
}
