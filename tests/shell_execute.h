#ifndef KESTRABIN_TESTS_SHELL_EXECUTE_H_
#define KESTRABIN_TESTS_SHELL_EXECUTE_H_

// How the test-only shell_execute program (shell_execute-win32.cc) ends when
// the program the shell started did not hand back its own status.
namespace shell_execute_status {
inline constexpr int kUsage = 2;
inline constexpr int kShellFailed = 3;
// The shell started the program through a context-menu handler, as Wine does
// for a shortcut, and kept its process to itself.
inline constexpr int kNoProcess = 4;
}  // namespace shell_execute_status

#endif  // KESTRABIN_TESTS_SHELL_EXECUTE_H_
