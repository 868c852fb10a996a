#include "app/CliSupport.h"

#include <cstdio>

#include "app/LibraryCommands.h"

namespace velmora::app {

int fail(const std::string& message) {
  std::fprintf(stderr, "tamborak: %s\n", shown(message).c_str());
  return kExitFailed;
}

int usageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "tamborak: %s: %s (try tamborak %s --help)\n", shown(command).c_str(), shown(message).c_str(),
               shown(command).c_str());
  return kExitUsage;
}

namespace {
std::string currentTask;
}  // namespace

void setTask(std::string task) { currentTask = std::move(task); }
const std::string& task() { return currentTask; }

std::string counted(std::size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string Options::value(const std::string& name) const {
  const auto found = values.find(name);
  return found == values.end() ? std::string() : found->second;
}

bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, Options& out, std::string& error) {
  const auto listed = [](const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& n : names)
      if (n == name) return true;
    return false;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      out.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg == "-h" && listed(flags, "--help") ? "--help" : arg, value;
    const std::size_t equals = arg.find('=');
    const bool inline_value = equals != std::string::npos && arg.rfind("--", 0) == 0;
    if (inline_value) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    if (listed(valued, name)) {
      if (!inline_value) {
        if (i + 1 >= args.size()) {
          error = name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      if (!out.values.emplace(name, value).second) {
        error = name + " is given twice";
        return false;
      }
    } else if (listed(flags, name) && !inline_value) {
      out.values[name] = "";
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}

bool parseInteger(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t& out) {
  if (text.empty() || text.size() > 18) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  if (text[0] == '-') value = -value;
  if (value < low || value > high) return false;
  out = value;
  return true;
}

std::string jsonString(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char ch : shown(text)) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F) {  // shown() leaves none; kept for safety of the format
      out += {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
    } else {
      out += ch;
    }
  }
  return out + '"';
}

Progress::Progress(std::string what)
    : what_(std::move(what)), start_(std::chrono::steady_clock::now()), last_(start_) {}

void Progress::update(std::size_t done, std::size_t total) {
  done_ = done;
  total_ = total;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1) || (shown_ && now - last_ < std::chrono::seconds(1))) return;
  last_ = now;
  shown_ = true;
  std::fprintf(stderr, "tamborak: %s: %zu of %zu\n", shown(what_).c_str(), done, total);
}

void Progress::finish() {
  if (shown_) std::fprintf(stderr, "tamborak: %s: %zu of %zu, done\n", shown(what_).c_str(), done_, total_);
  shown_ = false;
}

}  // namespace velmora::app
