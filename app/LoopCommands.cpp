#include "app/LoopCommands.h"

#include <cstdio>

#include "app/CliSupport.h"
#include "app/LibraryCommands.h"
#include "app/LoopMidi.h"
#include "app/LoopSession.h"
#include "io/UniRegistry.h"
#include "library/PatternSignature.h"
#include "loops/Looper.h"
#include "platform/CrtRand.h"

namespace velmora::app {

bool readCommandOptions(const char* command, const std::vector<std::string>& args, std::vector<std::string> valued,
                 std::vector<std::string> flags, std::size_t positionals, Options& options, int& status) {
  valued.push_back("--library");
  flags.push_back("--help");
  std::string error;
  if (!parseOptions(args, valued, flags, options, error)) {
    status = usageError(command, error);
    return false;
  }
  if (options.has("--help")) {
    std::fputs(commandHelp(command), stdout);
    status = 0;
    return false;
  }
  if (options.positional.size() != positionals) {
    status = options.positional.size() < positionals
                 ? usageError(command, "needs a file")
                 : usageError(command, "unexpected '" + options.positional[positionals] + "'");
    return false;
  }
  setTask(std::string(command) + (positionals ? " " + options.positional.front() : ""));
  return true;
}

int composeCommand(const std::vector<std::string>& args) {
  Options options;
  int status = 0;
  std::vector<std::string> valued = {"--volume", "--group", "--attempts", "--seed", "-o", "--mid"};
  for (const std::string& name : phraseOptions()) valued.push_back(name);
  if (!readCommandOptions("compose", args, std::move(valued), {"--json", "--all"}, 0, options, status)) return status;
  std::vector<GivenControl> phrase;
  if (!readControls("compose", options, phraseOptions(), phrase, status)) return status;
  std::int64_t group = -1, attempts = 0, seed = -1;
  if (options.has("--group") && !parseInteger(options.value("--group"), 0, 2, group))
    return usageError("compose", "--group takes 0 (small), 1 (medium) or 2 (large)");
  if (options.has("--attempts") && !parseInteger(options.value("--attempts"), 1, 100000, attempts))
    return usageError("compose", "--attempts takes a number from 1 to 100000");
  if (options.has("--seed") && !parseInteger(options.value("--seed"), 0, 4294967295, seed))
    return usageError("compose", "--seed takes a number from 0 to 4294967295");
  if ((options.has("-o") && options.value("-o").empty()) || (options.has("--mid") && options.value("--mid").empty()))
    return usageError("compose", "an output file name is empty");
  if (!outputsApart("compose", options, {}, status)) return status;
  const std::string library = libraryFolder(options.value("--library"), status);
  if (library.empty()) return status;

  // The result text needs the composer's test mode; the session's key state holds no key, so
  // the mode changes nothing else. Both settings hold for this run only.
  settings::overrideProfileInt(settings::kComposeAllowTesting, 1);
  if (attempts > 0) settings::overrideProfileInt(settings::kComposeAttempts, static_cast<std::int32_t>(attempts));
  LoopSession session(library);
  if (!session.ok()) return fail("cannot start an engine");
  Tamborak& engine = session.engine();
  if (options.has("--volume")) {
    const std::string wanted = options.value("--volume");
    std::string known;
    bool found = false;
    for (const std::string& v : session.volumes()) {
      found = found || v == wanted;
      known += (known.empty() ? "" : ", ") + v;
    }
    if (!found) return usageError("compose", "no volume '" + wanted + "' in " + library + " (volumes: " + known + ")");
    engine.setVolume(wanted);
  }
  if (group >= 0) engine.setPatternGroup(static_cast<std::int32_t>(group), true);
  // With a phrase length the fill is drawn and judged with the loop.
  setControls(engine, phrase);
  if (options.has("--all"))
    for (int i = 0; i < Tamborak::kSliceCount; ++i) engine.getSlice(i)->setMutedSilently(false);
  if (seed >= 0) crtSrand(static_cast<std::uint32_t>(seed));
  engine.compose(nullptr);
  bool drawn = false;
  for (int i = 0; i < Tamborak::kSliceCount; ++i) drawn = drawn || !engine.getSlice(i)->file().empty();
  if (!drawn) return fail(library + ": no pattern to compose from (the library holds none that can be read)");

  std::string error;
  if (options.has("-o") && !session.saveLoopFile(options.value("-o"), error)) return fail(error);
  if (options.has("--mid") && !writeLoopMidi(engine, options.value("--mid"), error)) return fail(error);
  const bool json = options.has("--json");
  if (json) {
    std::printf("{\n  \"volume\": %s,\n  \"group\": %d,\n  \"phrase\": %s,\n  \"composer\": %s,\n",
                jsonString(engine.getVolumeName()).c_str(), engine.getPatternGroup(), phraseText(engine, true).c_str(),
                jsonString(session.view().result).c_str());
    printSlices(engine, true, false);
    std::printf(",\n  \"rules\": ");
    printRules(engine, takingPart(engine), true);
    std::printf(",\n  \"loop\": %s\n}\n", options.has("-o") ? jsonString(options.value("-o")).c_str() : "null");
    return 0;
  }
  std::printf("volume %s, variation group %d, %s\n", shown(engine.getVolumeName()).c_str(), engine.getPatternGroup(),
              phraseText(engine, false).c_str());
  printSlices(engine, false, false);
  std::printf("composer: %s\n", shown(session.view().result).c_str());
  printRules(engine, takingPart(engine), false);
  if (options.has("-o")) std::printf("wrote %s\n", shown(options.value("-o")).c_str());
  if (options.has("--mid")) std::printf("wrote %s\n", shown(options.value("--mid")).c_str());
  return 0;
}

int checkCommand(const std::vector<std::string>& args) {
  Options options;
  int status = 0;
  if (!readCommandOptions("check", args, {}, {"--json", "--all"}, 1, options, status)) return status;
  const std::unique_ptr<LoopSession> session = openLoopSession(options, status);
  if (!session) return status;
  const std::uint32_t mask = options.has("--all") ? allParts(session->engine()) : takingPart(session->engine());
  const std::int32_t violations = printRules(session->engine(), mask, options.has("--json"));
  if (options.has("--json")) std::printf("\n");
  return violations > 0 ? kExitRulesBroken : 0;
}

int showCommand(const std::vector<std::string>& args) {
  Options options;
  int status = 0;
  if (!readCommandOptions("show", args, {}, {"--json"}, 1, options, status)) return status;
  const std::unique_ptr<LoopSession> session = openLoopSession(options, status);
  if (!session) return status;
  const std::string& file = options.positional[0];
  Tamborak& e = session->engine();
  if (options.has("--json")) {
    std::printf("{\n  \"loop\": %s,\n  \"volume\": %s,\n  \"group\": %d,\n  \"swing\": %d,\n  \"swingGrid\": %d,\n"
                "  \"velocityDynamics\": %d,\n  \"velocityCentre\": %d,\n  \"humanize\": %d,\n  \"humanizeTrend\": %d,\n"
                "  \"quantize\": %s,\n  \"drumMap\": %s,\n  \"phrase\": %s,\n",
                jsonString(file).c_str(), jsonString(e.getVolumeName()).c_str(), e.getPatternGroup(), e.getSwingPc(),
                e.getSwingDurIdx(), e.getVeloDyn(), e.getVeloCenterPC(), e.getHumanizeVelo(), e.getHumanizeVeloTrend(),
                e.getQuantize() ? "true" : "false", jsonString(e.getDrumMap()->name()).c_str(), phraseText(e, true).c_str());
    printSlices(e, true, true);
    std::printf("\n}\n");
    return 0;
  }
  std::printf("loop %s: volume %s, variation group %d\n", shown(file).c_str(), shown(e.getVolumeName()).c_str(),
              e.getPatternGroup());
  std::printf("swing %d%% (grid %d), velocity dynamics %d around %d%%, humanize %d (trend %d), quantize %s\n",
              e.getSwingPc(), e.getSwingDurIdx(), e.getVeloDyn(), e.getVeloCenterPC(), e.getHumanizeVelo(),
              e.getHumanizeVeloTrend(), e.getQuantize() ? "on" : "off");
  std::printf("%s\n", phraseText(e, false).c_str());
  if (!e.getDrumMap()->name().empty()) std::printf("drum map %s\n", shown(e.getDrumMap()->name()).c_str());
  printSlices(e, false, true);
  return 0;
}

}  // namespace velmora::app
