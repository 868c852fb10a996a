#include "app/LoopSession.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>

#include "app/CliSupport.h"
#include "app/LibraryCommands.h"
#include "engine/EngineProcess.h"
#include "library/LibraryFolders.h"
#include "library/PatternSignature.h"
#include "library/PatternTree.h"
#include "library/TreeNode.h"
#include "loops/Looper.h"
#include "platform/FileAccess.h"
#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::app {

LoopSession::LoopSession(const std::string& library) {
  // An engine stores its global controls when it goes. These engines never loaded the user's,
  // so they keep theirs under a key of their own instead of overwriting the plug-in's.
  EngineProcess::setSettingsKey(kCommandLineSettingsKey);
  EngineProcess::setPatternsFolder(library);
  try {
    engine_ = std::make_unique<Tamborak>(true);
  } catch (const std::bad_alloc&) {
    return;
  }
  engine().addView(&view_);
  engine().setKeyState(&noKeys_);
  engine().setPatternProblem([this](const Looper& slice, const std::string& folder, const std::string& file,
                                    bool found) { warnPattern(slice, folder, file, found); });
}

LoopSession::~LoopSession() {
  if (!engine_) return;
  engine().setPatternProblem(nullptr);
  engine().setKeyState(nullptr);
  engine().removeView(&view_);
}

std::vector<std::string> LoopSession::volumes() {
  std::vector<std::string> names;
  PatternTree& tree = engine().getPatternLibrary();
  std::lock_guard guard(tree.lock());
  for (TransitNode* v = tree.root() ? tree.root()->firstFolder() : nullptr; v; v = v->nextSibling())
    names.push_back(v->getName());
  return names;
}

bool LoopSession::loadLoopFile(const std::string& path, std::string& error) {
  std::string bytes, why;
  if (platform::readRegularFile(path, kMaxLibraryFileBytes, {}, bytes, why) != platform::FileRead::kRead) {
    error = path + ": " + why;
    return false;
  }
  CUniMemoryReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  loading_ = path;
  const bool loaded = engine().LoadLoop(reader, 0);
  loading_.clear();
  if (!loaded) {
    error = path + ": not a loop file, or a damaged one (the loop block is refused)";
    return false;
  }
  return true;
}

void LoopSession::warnPattern(const Looper& slice, const std::string& folder, const std::string& file, bool found) {
  const std::string pattern = folder + file;
  if (!warned_.insert(loading_ + '\n' + pattern).second) return;
  int slot = -1;
  for (int i = 0; i < Tamborak::kPartCount; ++i)
    if (engine().getSlice(i) == &slice) slot = i;
  std::fprintf(stderr, "tamborak: warning: %s%s: pattern %s %s\n", loading_.empty() ? "" : (shown(loading_) + ": ").c_str(),
               partName(slot), shown(pattern).c_str(),
               found ? "cannot be read (a damaged pattern file); it is left out" : "is not in the library; the slice plays nothing");
}

bool LoopSession::saveLoopFile(const std::string& path, std::string& error) {
  std::string bytes, why;
  CUniString stream(bytes);
  if (!engine().saveLoop(stream, false)) {
    error = path + ": not written: the loop could not be stored";
    return false;
  }
  if (!platform::saveFileWhole(path, bytes, why)) {
    error = path + ": not written: " + why;
    return false;
  }
  return true;
}

std::unique_ptr<LoopSession> openLoopSession(const Options& options, int& status) {
  const std::string library = libraryFolder(options.value("--library"), status);
  if (library.empty()) return nullptr;
  auto session = std::make_unique<LoopSession>(library);
  std::string error;
  if (!session->ok())
    status = fail("cannot start an engine");
  else if (!session->loadLoopFile(options.positional[0], error))
    status = fail(error);
  else
    return session;
  return nullptr;
}

bool outputsApart(const char* command, const Options& options, const std::vector<std::string>& inputs, int& status) {
  std::vector<const char*> outputs;
  for (const char* name : {"-o", "--mid", "--wav"}) {
    if (!options.has(name)) continue;
    const std::string out = options.value(name);
    for (const std::string& in : inputs)
      if (platform::sameRegularFile(out, in)) {
        status = usageError(command, out + " (" + name + ") is an input too: writing it would destroy it");
        return false;
      }
    for (const char* before : outputs)
      if (platform::sameRegularFile(out, options.value(before))) {
        status = usageError(command, std::string(before) + " and " + name + " name the same file");
        return false;
      }
    outputs.push_back(name);
  }
  return true;
}

std::string libraryFolder(const std::string& named, int& status) {
  const std::string folder = named.empty() ? findPatternsFolder(platform::moduleFolder()) : named;
  std::error_code ec;
  if (!std::filesystem::is_directory(std::filesystem::path(folder), ec)) {
    status = fail(folder + ": no pattern library there (not a folder)");
    return {};
  }
  return folder;
}

std::vector<std::string> phraseOptions() { return {"--phrase", "--fill-length", "--crash"}; }

std::vector<std::string> controlOptions() {
  std::vector<std::string> names;
  for (const GlobalControl& c : kGlobalControls)
    if (c.option) names.push_back(c.option);
  return names;
}

bool readControls(const char* command, const Options& options, const std::vector<std::string>& accepted,
                  std::vector<GivenControl>& given, int& status) {
  for (const std::string& name : accepted) {
    const GlobalControl* c = findGlobalControl(name);
    if (!c || !options.has(name)) continue;
    const std::string text = options.value(name);
    std::int64_t v = 0;
    if (c->kind == GlobalControl::Kind::kToggle) {
      if (text != "on" && text != "off") {
        status = usageError(command, name + " takes 'on' or 'off'");
        return false;
      }
      v = text == "on" ? c->max : c->min;
    } else if (c->kind == GlobalControl::Kind::kChoice) {
      const std::optional<std::int32_t> index = choiceIndex(*c, text);
      if (!index) {
        status = usageError(command, name + " takes one of " + c->choices);
        return false;
      }
      v = *index;
    } else if (!parseInteger(text, c->min, c->max, v)) {
      status = usageError(command, name + " takes a number from " + std::to_string(c->min) + " to " +
                                       std::to_string(c->max));
      return false;
    }
    given.push_back({c, static_cast<std::int32_t>(v)});
  }
  return true;
}

void setControls(Tamborak& engine, const std::vector<GivenControl>& given) {
  for (const GivenControl& g : given) setControl(engine, *g.control, g.value);
}

std::uint32_t takingPart(Tamborak& engine) {
  std::uint32_t mask = 0;
  const int parts = engine.getPhraseBars() > 0 ? Tamborak::kPartCount : Tamborak::kSliceCount;
  for (int i = 0; i < parts; ++i)
    if (engine.getSlice(i)->takesPart()) mask |= slotBit(i);
  return mask;
}

std::uint32_t allParts(Tamborak& engine) {
  return (1u << (engine.getPhraseBars() > 0 ? Tamborak::kPartCount : Tamborak::kSliceCount)) - 1;
}

const char* partName(int slot) {
  static const char* const kNames[] = {"perc 1", "perc 2", "perc 3", "cymbal", "snare", "kick", "fill"};
  static_assert(std::size(kNames) == Tamborak::kPartCount && kSlotFill == Tamborak::kFillSlice);
  return slot >= 0 && slot < Tamborak::kPartCount ? kNames[slot] : "?";
}

std::string phraseText(Tamborak& engine, bool json) {
  const PhraseSettings p = engine.phrase();
  const auto length = static_cast<std::size_t>(p.fillLength);
  if (json) {
    // The label the option takes.
    const std::string_view label = choiceLabel(*findGlobalControl("--fill-length"), static_cast<std::int32_t>(length));
    return "{\"bars\": " + std::to_string(p.bars) + ", \"fillLength\": \"" + std::string(label) +
           "\", \"crash\": " + (p.crash ? "true" : "false") + "}";
  }
  if (p.bars == 0) return "phrases off";
  static const char* const kLengths[] = {"one beat", "two beats", "one bar"};
  return "phrase " + std::to_string(p.bars) + " bars, fill " + kLengths[length] + ", crash " + (p.crash ? "on" : "off");
}

std::string stepGrid(std::uint32_t hitMask, std::uint32_t accentMask) {
  std::string grid(kStepsPerBar, '.');
  for (int s = 0; s < kStepsPerBar; ++s)
    grid[static_cast<std::size_t>(s)] = accentMask & stepBit(s) ? 'X' : hitMask & stepBit(s) ? 'x' : '.';
  return grid;
}

std::string kindOf(const std::string& folder) {
  const std::size_t end = folder.find_last_not_of('\\');
  if (end == std::string::npos) return {};
  const std::size_t cut = folder.find_last_of('\\', end);
  return folder.substr(cut == std::string::npos ? 0 : cut + 1, end - (cut == std::string::npos ? 0 : cut + 1) + 1);
}

namespace {

// The drum map's entries that send a key elsewhere, as "key>note" joined by spaces.
std::string remappedKeys(const DrumMap& map) {
  std::string text;
  for (int key = 0; key < 128; ++key) {
    if (map.note(key) == key) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(key) + '>' + std::to_string(map.note(key));
  }
  return text;
}

// The order a drummer reads a groove in: kick first, the fill last.
constexpr int kShownOrder[Tamborak::kPartCount] = {kSlotKick, kSlotSnare, kSlotCymbal, kSlotPercussion3,
                                                   kSlotPercussion2, kSlotPercussion1, kSlotFill};

void printSliceJson(const Looper& slice, int slot, bool details) {
  const PatternSignature& sig = slice.signature();
  std::printf("{\"slot\": %d, \"part\": %s, \"kind\": %s, \"folder\": %s, \"pattern\": %s, \"grid\": %s", slot,
              jsonString(partName(slot)).c_str(), jsonString(kindOf(slice.folder())).c_str(),
              jsonString(slice.folder()).c_str(), jsonString(slice.file()).c_str(),
              jsonString(stepGrid(sig.hitMask, sig.accentMask)).c_str());
  if (details) {
    std::printf(", \"muted\": %s, \"composed\": %s, \"strokes\": %d, \"velocityAdjust\": %d, \"dynamics\": %d, "
                "\"timeOffset\": %d, \"noteOffset\": %d, \"fixedNote\": %d, \"drumMap\": %s, \"remapped\": %s",
                slice.muted() ? "true" : "false", slice.idrcOff() ? "false" : "true", sig.nameStrokes,
                slice.getParameter(Looper::kVelocityAdjust), slice.getParameter(Looper::kDynamicsStrength),
                slice.getParameter(Looper::kTimeOffset), slice.getParameter(Looper::kNoteOffset),
                slice.fixedNoteOn() ? slice.fixedNote() : -1, jsonString(slice.drumMap().name()).c_str(),
                jsonString(remappedKeys(slice.drumMap())).c_str());
  }
  std::printf("}");
}

void printSliceText(const Looper& slice, int slot, bool details) {
  const PatternSignature& sig = slice.signature();
  const std::string pattern = slice.file().empty() ? "(none)" : slice.file();
  std::printf("%d %-7s %-12s %s  %s%s\n", slot, partName(slot), shown(kindOf(slice.folder())).c_str(),
              stepGrid(sig.hitMask, sig.accentMask).c_str(), shown(pattern).c_str(),
              slice.muted() ? "  (muted)" : "");
  if (!details) return;
  std::printf("          folder %s\n", shown(slice.folder()).c_str());
  std::printf("          velocity %+d, dynamics %d, time offset %d, note offset %d%s%s\n",
              slice.getParameter(Looper::kVelocityAdjust), slice.getParameter(Looper::kDynamicsStrength),
              slice.getParameter(Looper::kTimeOffset), slice.getParameter(Looper::kNoteOffset),
              slice.fixedNoteOn() ? (", fixed note " + std::to_string(slice.fixedNote())).c_str() : "",
              slice.idrcOff() ? ", left out of composing" : "");
  const std::string remapped = remappedKeys(slice.drumMap());
  if (!slice.drumMap().name().empty() || !remapped.empty())
    std::printf("          drum map %s%s%s\n", slice.drumMap().name().empty() ? "(unnamed)" : shown(slice.drumMap().name()).c_str(),
                remapped.empty() ? "" : ": ", remapped.c_str());
}

}  // namespace

void printSlices(Tamborak& engine, bool json, bool details) {
  for (const int slot : kShownOrder) {
    const Looper& slice = *engine.getSlice(slot);
    if (!json) {
      printSliceText(slice, slot, details);
      continue;
    }
    std::fputs(slot == kShownOrder[0] ? "  \"slices\": [\n    " : slot == kSlotFill ? "\n  ],\n  \"fill\": " : ",\n    ",
               stdout);
    printSliceJson(slice, slot, details);
  }
}

std::int32_t printRules(Tamborak& engine, std::uint32_t mask, bool json) {
  std::string message;
  std::uint32_t blamed = 0;
  const std::int32_t violations = engine.checkRules(message, mask, blamed);
  std::vector<std::string> messages;
  for (std::size_t start = 0; violations > 0 && start <= message.size();) {
    const std::size_t bar = message.find('|', start);
    const std::size_t end = bar == std::string::npos ? message.size() : bar;
    if (end > start) messages.push_back(message.substr(start, end - start));
    start = end + 1;
  }
  if (json) {
    std::printf("{\"violations\": %d, \"blamed\": %u, \"mask\": %u, \"messages\": [", violations, blamed, mask);
    for (std::size_t i = 0; i < messages.size(); ++i)
      std::printf("%s%s", i ? ", " : "", jsonString(messages[i]).c_str());
    std::printf("]}");
    return violations;
  }
  std::string judged;
  for (const int slot : kShownOrder)
    if (mask & slotBit(slot)) judged += std::string(judged.empty() ? "" : ", ") + partName(slot);
  if (violations == 0) {
    std::printf("rules: no rule broken (judged: %s)\n", judged.empty() ? "nothing" : judged.c_str());
    return 0;
  }
  std::printf("rules: %d broken (judged: %s)\n", violations, judged.c_str());
  for (const std::string& m : messages) std::printf("  %s\n", shown(m).c_str());
  std::string blames;
  for (const int slot : kShownOrder)
    if (blamed & slotBit(slot)) blames += std::string(blames.empty() ? "" : ", ") + partName(slot);
  std::printf("  blamed: %s\n", blames.c_str());
  return violations;
}

}  // namespace velmora::app
