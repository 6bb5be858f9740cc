#include <windows.h>

#include <thread>

#include "platform/Win32Text.h"
#include "testing/RunProgram.h"
#include "testing/Win32Console.h"

namespace migwiz::testing {

namespace {

// One argument as the C runtime splits a command line: quoted when it has
// blanks or quotes, backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out.push_back(c);
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

// Reads the pipe to its end; each complete line (without its line break)
// goes to onLine when given.
void Drain(HANDLE pipe, std::string& sink, const std::function<void(const std::string&)>& onLine = {}) {
  char buf[4096];
  DWORD n = 0;
  size_t lineStart = sink.size();
  while (ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0) {
    sink.append(buf, n);
    for (size_t nl; onLine && (nl = sink.find('\n', lineStart)) != std::string::npos; lineStart = nl + 1) {
      size_t end = nl > lineStart && sink[nl - 1] == '\r' ? nl - 1 : nl;
      onLine(sink.substr(lineStart, end - lineStart));
    }
  }
}

// The child gets this process's environment with env's NAME=VALUE entries
// set in it, as on the other side.
ProgramResult Run(const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& env, const std::function<void(const std::string&)>& onErrLine) {
  ProgramResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
  if (!CreatePipe(&errRead, &errWrite, &inherit, onErrLine ? 4096 : 0)) {
    CloseHandle(outRead);
    CloseHandle(outWrite);
    return result;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);

  std::wstring commandLine = Quoted(platform::Widen(program));
  for (const std::string& a : args) commandLine += L" " + Quoted(platform::Widen(a));

  // The environment block: ours, with the entries given replacing ours.
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const std::string& e : env) {
    std::wstring w = platform::Widen(e);
    std::wstring name = w.substr(0, w.find(L'=') + 1);
    std::erase_if(entries, [&](const std::wstring& x) {
      return CompareStringOrdinal(x.c_str(), static_cast<int>(std::min(x.size(), name.size())), name.c_str(),
                                  static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
    });
    entries.push_back(w);
  }
  std::wstring block;
  for (const std::wstring& e : entries) block += e + L'\0';
  block += L'\0';

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = outWrite;
  si.hStdError = errWrite;
  PROCESS_INFORMATION pi{};
  BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &si, &pi);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (started) {
    std::thread errReader([&] { Drain(errRead, result.err, onErrLine); });
    Drain(outRead, result.out);
    errReader.join();
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env) {
  return Run(program, args, env, {});
}

ProgramResult RunProgramWatchingErrors(const std::string& program, const std::vector<std::string>& args,
                                       const std::vector<std::string>& env,
                                       const std::function<void(const std::string&)>& onErrLine) {
  return Run(program, args, env, onErrLine);
}

}  // namespace migwiz::testing
