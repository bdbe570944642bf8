#pragma once
// Runs a program (the real jov-cli by default) as a child process, without a
// shell, and captures what it prints. Arguments are passed byte for byte, so map
// texts such as a class of four 0xFF bytes reach the program unchanged.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>

#include <thread>

#include "platform/Win32Text.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace jov::testing {

struct CliResult {
  int status = -1;  // the exit status; 128 + the signal's number when killed by one
  std::string out;  // standard output
  std::string err;  // standard error
};

#ifdef _WIN32
// One argument quoted as CommandLineToArgvW and the C runtime read it back:
// backslashes are literal except before a quote, where they are doubled.
inline std::wstring QuotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// Runs program with args; input is fed to its standard input (which is empty
// otherwise). Waits for the program to end. Arguments travel as UTF-16 on
// Windows, so they are UTF-8 texts here.
inline CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& input = "") {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
  if (!::CreatePipe(&inRead, &inWrite, &inherit, 0) || !::CreatePipe(&outRead, &outWrite, &inherit, 0) ||
      !::CreatePipe(&errRead, &errWrite, &inherit, 0))
    throw std::runtime_error("pipe failed");
  // Our ends stay with us.
  for (HANDLE h : {inWrite, outRead, errRead}) ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);

  std::wstring commandLine = QuotedArgument(win32::Widen(program));
  for (const std::string& a : args) commandLine += L" " + QuotedArgument(win32::Widen(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  // Wine's process creation now and then fails with an internal error (1359)
  // before the program starts: nothing ran, so it is tried again.
  BOOL started = FALSE;
  DWORD startError = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    started = ::CreateProcessW(win32::Widen(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               nullptr, &startup, &process);
    startError = ::GetLastError();
    if (started || startError != ERROR_INTERNAL_ERROR) break;
    ::Sleep(100);
  }
  for (HANDLE h : {inRead, outWrite, errWrite}) ::CloseHandle(h);
  if (!started) {
    for (HANDLE h : {inWrite, outRead, errRead}) ::CloseHandle(h);
    throw std::runtime_error("cannot run " + program + ": error " + std::to_string(startError));
  }

  // Each pipe has its own thread, so that neither side blocks on a full pipe.
  CliResult result;
  auto drain = [](HANDLE from, std::string& to) {
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) to.append(buffer, got);
    ::CloseHandle(from);
  };
  std::thread out(drain, outRead, std::ref(result.out));
  std::thread err(drain, errRead, std::ref(result.err));
  std::size_t fed = 0;
  while (fed < input.size()) {
    DWORD put = 0;
    if (!::WriteFile(inWrite, input.data() + fed, static_cast<DWORD>(input.size() - fed), &put, nullptr)) break;
    fed += put;
  }
  ::CloseHandle(inWrite);
  out.join();
  err.join();
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  result.status = static_cast<int>(code);
  return result;
}
#else
// Runs program with args; input is fed to its standard input (which is empty
// otherwise). Waits for the program to end.
inline CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& input = "") {
  // A program that ends without reading its input must not take the test down.
  static const bool kNoSigPipe = (std::signal(SIGPIPE, SIG_IGN), true);
  (void)kNoSigPipe;
  int outPipe[2], errPipe[2], inPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0 || ::pipe2(inPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(inPipe[0]);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (spawned != 0) {
    ::close(inPipe[1]);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    throw std::runtime_error("cannot run " + program + ": " + std::strerror(spawned));
  }

  // Feed standard input and drain both outputs together, so that neither side
  // blocks on a full pipe.
  CliResult result;
  std::size_t fed = 0;
  int inFd = inPipe[1];
  if (input.empty()) {
    ::close(inFd);
    inFd = -1;
  }
  int outFd = outPipe[0];
  int errFd = errPipe[0];
  char buffer[65536];
  while (outFd >= 0 || errFd >= 0) {
    pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (::poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      int& fd = i == 0 ? outFd : errFd;
      if (fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(fd);
        fd = -1;
      }
    }
    if (inFd >= 0 && fds[2].revents != 0) {
      const ssize_t put = (fds[2].revents & POLLOUT) ? ::write(inFd, input.data() + fed, input.size() - fed) : -1;
      if (put > 0) fed += static_cast<std::size_t>(put);
      if (put < 0 || fed == input.size()) {
        ::close(inFd);
        inFd = -1;
      }
    }
  }
  if (inFd >= 0) ::close(inFd);

  int waitStatus = 0;
  while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(waitStatus)) result.status = WEXITSTATUS(waitStatus);
  else if (WIFSIGNALED(waitStatus)) result.status = 128 + WTERMSIG(waitStatus);
  return result;
}

#endif

#ifdef JOV_CLI_PATH
// Runs the jov-cli built with the tests.
inline CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "") {
  return RunProgram(JOV_CLI_PATH, args, input);
}
#endif

// The lines of a text, without their line ends; a last line without one counts.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace jov::testing
