// What our Windows test hosts share: one line per check and the tally, running a program, and
// the bytes of a COM stream.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace velmora::hostcheck {

inline int passed = 0, failed = 0;

inline bool check(bool ok, const std::string& what, const std::string& detail = "") {
  std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  std::fflush(stdout);
  ++(ok ? passed : failed);
  return ok;
}

inline std::string hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

inline bool checkResult(HRESULT result, HRESULT expected, const std::string& what) {
  return check(result == expected, what, result == expected ? "" : "got " + hex(result) + ", expected " + hex(expected));
}

// Runs a program and gives its exit code (-1 when it could not be started).
inline int run(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

template <class T>
void** out(T** p) {
  return reinterpret_cast<void**>(p);
}

// The bytes of a stream from its start.
inline std::string streamBytes(IStream* stream) {
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  bytes.resize(read);
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return bytes;
}

}  // namespace velmora::hostcheck
