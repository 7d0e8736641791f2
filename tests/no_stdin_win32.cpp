// Starts tarvello.exe, which lies beside this program, with no standard input
// handle at all, as some launchers start a program, and with this program's
// standard output and error; returns its exit status. Windows only: built by
// the tests of the Windows build.
#include <windows.h>

#include <string>

int main() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring tool(self, length);
  tool = tool.substr(0, tool.find_last_of(L"\\/") + 1) + L"tarvello.exe";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = nullptr;
  start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  SetHandleInformation(start.hStdOutput, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  SetHandleInformation(start.hStdError, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  std::wstring command = L"\"" + tool + L"\"";
  PROCESS_INFORMATION child{};
  if (CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                     &child) == 0) {
    return 127;
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 127;
  GetExitCodeProcess(child.hProcess, &status);
  return static_cast<int>(status);
}
