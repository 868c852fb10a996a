// The engine through its COM faces and the simulated host, on the default pattern library.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "engine/GlobalControls.h"
#include "io/UniRegistry.h"
#include "library/PatternTree.h"
#include "sim/Queues.h"
#include "tests/AllocationCount.h"
#include "tests/HostStream.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace velmora::sim;
using test::EngineTest;
using test::Note;

namespace {

constexpr MfxTime kBar = 1920;  // 4/4 at 480 ticks per quarter

template <class Face>
Face* query(IUnknown* object, REFIID iid) {
  void* face = nullptr;
  EXPECT_EQ(object->QueryInterface(iid, &face), S_OK);
  static_cast<IUnknown*>(static_cast<Face*>(face))->Release();
  return static_cast<Face*>(face);
}

ComRef<HostContext> connected(IMfxEventFilter& filter, Song song = Song(), HostOptions options = {}) {
  ComRef<HostContext> host = create<HostContext>(std::move(song), options);
  EXPECT_EQ(connect(filter, *host), S_OK);
  return host;
}

}  // namespace

TEST_F(EngineTest, StartsWithItsDefaultsAndAnswersOnItsFaces) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);

  IUnknown* object = face.get();
  EXPECT_EQ(query<IUnknown>(object, IID_IUnknown), static_cast<IUnknown*>(query<IMfxEventFilter>(object, IID_IMfxEventFilter)));
  EXPECT_EQ(query<IPersist>(object, IID_IPersist), static_cast<IPersist*>(query<IPersistStream>(object, IID_IPersistStream)));
  EXPECT_EQ(query<IMfxEventFilter>(query<ISpecifyPropertyPages>(object, IID_ISpecifyPropertyPages), IID_IMfxEventFilter), face.get());
  void* none = &e;
  EXPECT_EQ(object->QueryInterface(IID_IMfxMeterMap, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_EQ(object->Release(), 1u);

  CLSID id{};
  CAUUID pages{};
  ULARGE_INTEGER size{};
  size.QuadPart = 7;
  EXPECT_EQ(std::tuple(filterOf(e).GetClassID(&id), filterOf(e).GetPages(&pages), filterOf(e).GetSizeMax(&size), filterOf(e).IsDirty()), std::tuple(S_OK, S_OK, S_OK, S_OK));
  EXPECT_TRUE(id == CLSID_Tamborak && pages.cElems == 1 && pages.pElems[0] == CLSID_TamborakPanel && size.QuadPart > 0);
  CoTaskMemFree(pages.pElems);

  // The first volume of the library ("16 Beat Funk") sets the sixteenth swing grid.
  std::int32_t channel = 0, port = 9;
  EXPECT_EQ(e.getOutput(&channel, &port), 0);
  EXPECT_EQ(std::tuple(e.getSwingPc(), e.getSwingDurIdx(), e.getVeloMin(), e.getVeloMax(), e.getTriggerLowKey(),
                       e.getTriggerEnabled(), channel, port, e.getExportBars(), e.getPatternGroup(), e.getVolumeName(),
                       e.getRestartOnChange(), e.displayMinVelo(), e.isMfxFilter()),
            std::tuple(0, 2, 30, 127, 36, false, -1, 0, 4, 0, std::string("16 Beat Funk"), true, 20, true));
  const char* const folders[] = {"4.Percussion\\Cowbell\\", "4.Percussion\\Maracas\\", "4.Percussion\\Conga\\",
                                 "3.Cymbal\\HH_Cl\\",       "2.Snare\\Snare\\",        "1.Kick\\Kick\\"};
  const int fixed[] = {67, 73, 61};
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    const Looper& slice = *e.getSlice(i);
    EXPECT_EQ(slice.folder(), std::string("16 Beat Funk\\") + folders[i]);
    // The fixed notes are kept but played only in a "universal" kind folder.
    EXPECT_EQ(std::tuple(slice.muted(), slice.fixedNoteOn(), slice.fixedNote(), slice.patternGroup()),
              std::tuple(i < 3, false, i < 3 ? fixed[i] : 54, 0)) << i;
  }

  // Setters clamp; the velocity range keeps its gap; the trigger range keeps its width.
  test::RecordingView view(e);
  EXPECT_TRUE(e.addView(&view));
  EXPECT_FALSE(e.addView(&view));
  e.setSwingPc(150, true);
  e.setVeloDyn(-300, false);
  e.setVeloCenterPC(101, false);
  e.setHumanizeVelo(200, false);
  e.setHumanizeVeloTrend(-101, false);
  e.setQuantize(true, true);
  e.setQuantize(true, true);
  e.setVeloMin(126);
  EXPECT_EQ(std::tuple(e.getSwingPc(), e.getVeloDyn(), e.getVeloCenterPC(), e.getHumanizeVelo(), e.getHumanizeVeloTrend(),
                       e.getQuantize(), e.getVeloMin(), e.getVeloMax()),
            std::tuple(100, -100, 100, 127, -100, true, 125, 127));
  using Item = TamborakView::Item;
  EXPECT_EQ(view.refreshed, (std::vector<Item>{Item::kSwing, Item::kVeloDyn, Item::kVeloCenter, Item::kHumanize,
                                               Item::kHumanizeTrend, Item::kQuantize}));
  e.setVeloMax(1);
  EXPECT_EQ(std::tuple(e.getVeloMin(), e.getVeloMax()), std::tuple(1, 3));
  for (const auto& [index, division] : {std::pair(0, 4), {1, 2}, {2, 4}, {3, 8}, {4, 16}, {9, 16}}) {
    e.setSwingDurIdx(index, false);
    EXPECT_EQ(e.getSwingDivision(), division) << index;
  }
  e.setTriggerLowKey(60);
  e.setTriggerEnabled(true);
  std::vector<std::pair<bool, std::int32_t>> triggered;
  for (int key : {59, 60, 69, 70, 71}) {  // 70: the live fill's key after the ten pads
    const bool taken = e.triggerKey(key, true);
    triggered.emplace_back(taken, e.getLoopIdx());
  }
  EXPECT_EQ(triggered,
            (std::vector<std::pair<bool, std::int32_t>>{{false, 0}, {true, 0}, {true, 9}, {true, 9}, {false, 9}}));

  // Volumes: the slices follow, the swing grid follows the number the name starts with.
  for (const auto& [volume, grid] : {std::pair("8 Beat Rock", 1), std::pair("Latin", 0), std::pair("16 Beat Funk", 2)}) {
    e.setVolume(volume);
    EXPECT_EQ(std::tuple(e.getVolumeName(), e.getSwingDurIdx()), std::tuple(std::string(volume), grid));
    EXPECT_EQ(folderComponent(e.getSlice(0)->folder(), 0), volume);
  }
  e.removeView(&view);

  // Engines share the library, its folders and the random generator; only the first sets them.
  ComRef<IMfxEventFilter> second = makeEngine();
  EXPECT_EQ(EngineProcess::engineCount(), 2);
  EXPECT_EQ(&engineOf(second).getPatternLibrary(), &e.getPatternLibrary());
  EXPECT_TRUE(engineOf(second).getLoopsFolder() == e.getLoopsFolder() && e.getDrumMapsFolder().find("DrumMaps") != std::string::npos);
  EXPECT_FALSE(EngineProcess::reset());
}

// Every global control reaches the engine through its accessors over its whole range, and
// values beyond the range are clamped to it, from whichever side.
TEST_F(EngineTest, GlobalControlsReachTheEngineOverTheirRanges) {
  Tamborak e(true);
  for (const GlobalControl& c : kGlobalControls)
    for (const auto& [given, kept] : {std::pair<std::int64_t, std::int32_t>(c.max, c.max), {c.min - 1, c.min},
                                      {INT64_MAX, c.max}, {c.min, c.min}, {c.max + 1, c.max}, {INT64_MIN, c.min}}) {
      setControl(e, c, given);
      EXPECT_EQ(c.get(e), kept) << c.name << " given " << given;
    }
}

TEST_F(EngineTest, ConnectsToItsHostAndLetsGoOfEverything) {
  const std::int32_t before = liveObjects();
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  IMfxEventFilter& filter = filterOf(e);

  // Connected as an off-line edit: the warning once per connection, until it is switched off.
  platform::ScriptedPrompt prompt;
  e.setPrompt(&prompt);
  HostOptions offline;
  offline.noteNameSource = offline.offline = true;
  ComRef<HostContext> host = connected(filter, Song(960), offline);
  EXPECT_TRUE(e.connected());
  EXPECT_EQ(EngineProcess::connectedEngines(), std::vector<Tamborak*>{&e});
  EXPECT_EQ(e.getNoteNames()->title(), "General MIDI Drums");
  ASSERT_EQ(prompt.asked().size(), 1u);
  EXPECT_EQ(prompt.asked()[0].text.rfind("Tamborak is not simply an effect", 0), 0u);
  EXPECT_EQ(settings::getProfileInt(settings::kWarnOffline), 1) << "OK with the box left unticked";
  prompt.tickSwitchOff = true;
  host = connected(filter, Song(960), offline);
  ASSERT_EQ(prompt.asked().size(), 2u);
  EXPECT_EQ(settings::getProfileInt(settings::kWarnOffline), 0) << "the ticked box switches the warning off";
  host = connected(filter, Song(960), offline);
  EXPECT_EQ(prompt.asked().size(), 2u);
  settings::writeProfileInt(settings::kWarnOffline, 1);
  prompt.tickSwitchOff = false;
  host = connected(filter, Song(960), offline);
  EXPECT_EQ(prompt.asked().size(), 3u) << "the stored value set back to 1 brings the warning back";
  EXPECT_EQ(EngineProcess::connectedEngines().size(), 1u);
  EXPECT_EQ(e.exportLength(0), 4 * 4 * 960);
  ExportTimeBase base;
  e.fillTimeBase(&base);
  EXPECT_EQ(std::tuple(base.tempo, base.ticksPerQuarter, base.numerator, base.denominatorPower),
            std::tuple(12000, 960, 4, 2));

  // A host without both time services is refused: nothing of it is kept, and the host it was to
  // replace is let go as well.
  for (const HostOptions options : {HostOptions{false, true, true}, HostOptions{true, false, false}}) {
    ComRef<HostContext> refused = create<HostContext>(Song(), options);
    EXPECT_EQ(connect(filter, *refused), E_FAIL);
    EXPECT_EQ(std::tuple(refused->refCount(), host->refCount()), std::tuple(1u, 1u));
  }
  EXPECT_EQ(filter.Connect(nullptr), E_FAIL);
  EXPECT_FALSE(e.connected());
  EXPECT_TRUE(EngineProcess::connectedEngines().empty());
  host = connected(filter, Song(960));

  // Live input: a trigger note selects its pad at once; a note-on of velocity 0 passes on.
  e.setTriggerEnabled(true);
  ComRef<InputQueue> in = create<InputQueue>(std::vector<TimedShortMessage>{{5, 0x99, 37, 100}, {6, 0x99, 38, 0}, {7, 0xB0, 38, 1}});
  ComRef<InputQueue> out = create<InputQueue>();
  EXPECT_EQ(filter.OnInput(in.get(), out.get()), S_OK);
  EXPECT_EQ(out->records, (std::vector<TimedShortMessage>{{6, 0x99, 38, 0}, {7, 0xB0, 38, 1}}));
  EXPECT_EQ(e.getLoopIdx(), 1);
  platform::UiQueue::main().pump();  // the user-interface thread completes the switch

  // Start, loop and stop send nothing; only start and stop touch the playing flag.
  Transport transport(filter);
  transport.start(0);
  EXPECT_TRUE(e.playing());
  transport.loop(0, 100);
  transport.stop();
  EXPECT_FALSE(e.playing());
  EXPECT_TRUE(transport.recording().events.empty());

  // Disconnecting lets the views go and releases every host object.
  test::RecordingView view(e);
  e.addView(&view);
  EXPECT_EQ(filter.Disconnect(), S_OK);
  EXPECT_EQ(view.detached, 1);
  EXPECT_TRUE(e.addView(&view));  // it had left the list
  e.removeView(&view);
  EXPECT_FALSE(e.connected());
  EXPECT_TRUE(EngineProcess::connectedEngines().empty());
  EXPECT_EQ(host->refCount(), 1u);
  EXPECT_EQ(e.exportLength(0), 4 * 1920);
  host.reset();
  in.reset();
  out.reset();
  EXPECT_EQ(liveObjects(), before);

  // An engine that could not create a slice refuses every host call and keeps nothing.
  EngineProcess::failSliceCreation(3);
  ComRef<IMfxEventFilter> broken = makeEngine();
  IMfxEventFilter& refusing = *broken;
  MfxFilter& persist = filterOf(engineOf(broken));
  host = create<HostContext>();
  ComRef<EventQueue> queue = create<EventQueue>();
  in = create<InputQueue>();
  test::FakeHostStream stream(true);
  CAUUID pages{};
  CLSID id{};
  ULARGE_INTEGER size{};
  for (const HRESULT result : {connect(refusing, *host), refusing.Disconnect(), refusing.OnStart(0, queue.get()),
                               refusing.OnLoop(0, 1, queue.get()), refusing.OnStop(0, queue.get()),
                               refusing.OnEvents(0, 99, queue.get(), queue.get()), refusing.OnInput(in.get(), in.get()),
                               persist.Save(&stream, 1), persist.Load(&stream), persist.GetSizeMax(&size),
                               persist.GetPages(&pages), persist.GetClassID(&id), persist.IsDirty()})
    EXPECT_EQ(result, E_UNEXPECTED);
  EXPECT_TRUE(engineOf(broken).getSlice(3) == nullptr && queue->records.empty() && host->refCount() == 1u);
  EXPECT_TRUE(stream.bytes.empty());
}

TEST_F(EngineTest, PlaysRealPatternsInTimeWhateverTheWindows) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  fillLoop(e);
  ComRef<HostContext> host = connected(*face);

  // 8 bars in windows of every size: the same notes, each where its pattern puts it.
  const MfxTime end = 8 * kBar;
  std::vector<Note> reference;
  for (MfxTime size : {1, 7, 480, 1920}) {
    const Recording recording = Transport::play(filterOf(e), 0, end - 1, size);
    const std::vector<Note> notes = test::sortedNotes(recording);
    if (reference.empty()) {
      reference = notes;
      EXPECT_EQ(test::timesAndKeys(notes), test::modelNotes(e, end, kBar));
    }
    EXPECT_EQ(notes, reference) << "windows of " << size;
    // A window without notes or input carries one placeholder at its start: key aftertouch 0, 0.
    std::vector<int> sounding(recording.calls.size()), others(recording.calls.size());
    for (const Emitted& out : recording.events) {
      ++(out.event.isNote() ? sounding : others)[out.call];
      if (!out.event.isNote()) {
        EXPECT_EQ(std::tuple(out.event.type, out.event.data1 + out.event.data2, out.event.time),
                  std::tuple(std::uint32_t{kEventKeyAftertouch}, 0, recording.calls[out.call].first));
      }
    }
    for (std::size_t c = 0; c < recording.calls.size(); ++c)
      EXPECT_EQ(others[c], recording.calls[c].kind == Call::kEvents && sounding[c] == 0) << size << " " << c;
  }

  // A jump back re-anchors every slice: the notes from there on are those of a straight run.
  Transport transport(filterOf(e));
  transport.start(0);
  transport.run(0, 3 * kBar + 100, 480);
  const std::size_t beforeJump = transport.recording().events.size();
  transport.jump(kBar + 700);
  transport.run(kBar + 700, end - 1, 480);
  Recording afterJump = transport.recording();
  afterJump.events.erase(afterJump.events.begin(), afterJump.events.begin() + static_cast<std::ptrdiff_t>(beforeJump));
  std::vector<Note> expected;
  std::copy_if(reference.begin(), reference.end(), std::back_inserter(expected),
               [](const Note& n) { return std::get<0>(n) >= kBar + 700; });
  EXPECT_EQ(test::sortedNotes(afterJump), expected);

  // Every cycle lasts the whole bars of the song's meter that its pattern reaches into.
  face->Disconnect();
  for (const auto& [numerator, denominator, bar] : {std::tuple(3, 4, 1440), std::tuple(7, 8, 1680)}) {
    host = connected(*face, Song(480).meter(1, numerator, denominator));
    EXPECT_EQ(test::timesAndKeys(test::sortedNotes(Transport::play(filterOf(e), 0, 8 * bar - 1, 480))),
              test::modelNotes(e, 8 * bar, bar))
        << numerator << "/" << denominator;
    face->Disconnect();
  }
}

TEST_F(EngineTest, ShapesEveryStrokeOnItsWayOut) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  solo(e, kSlotCymbal);
  Looper& hats = *e.getSlice(kSlotCymbal);
  // Strokes at 480 ticks per quarter on channel 5: the swing grid of the volume is 120 ticks.
  hats.editTrack([](CMidiTrack& track) {
    track.Clear();
    track.setDivision(480);
    for (const MidiEvent& n : {noteEvent(0, 5, 42, 100, 240), noteEvent(29, 5, 42, 100, 10), noteEvent(95, 5, 42, 100, 10),
                               noteEvent(120, 5, 42, 100, 10), noteEvent(240, 5, 42, 100, 10)})
      track.Insert(n);
  });
  ComRef<HostContext> host = connected(*face);
  auto firstBar = [&](MfxTime last = kBar - 1) {
    std::vector<std::pair<MfxTime, std::uint32_t>> out;
    for (const Note& n : test::sortedNotes(Transport::play(filterOf(e), 0, last, 480)))
      out.emplace_back(std::get<0>(n), std::get<2>(n));
    return out;
  };
  using Timing = std::vector<std::pair<MfxTime, std::uint32_t>>;
  EXPECT_EQ(firstBar(), (Timing{{0, 240}, {29, 10}, {95, 10}, {120, 10}, {240, 10}}));
  e.setQuantize(true, false);
  EXPECT_EQ(firstBar(), (Timing{{0, 10}, {0, 240}, {120, 10}, {120, 10}, {240, 10}}));
  e.setQuantize(false, false);
  e.setSwingPc(100, false);
  EXPECT_EQ(firstBar(), (Timing{{0, 240}, {43, 15}, {142, 15}, {180, 5}, {240, 15}}));
  e.setSwingPc(0, false);

  // Output channel and port go onto every emitted event; input passes on as it came.
  Transport transport(filterOf(e));
  MidiEvent input = noteEvent(100, 2, 7, 99, 0);
  input.type = kEventController;
  transport.feed(input);
  e.setOutput(9, 3);
  transport.start(0);
  transport.run(0, kBar - 1, 480);
  e.setOutput(-1, 0);
  transport.run(kBar, 2 * kBar - 1, 480);
  std::vector<std::tuple<MfxTime, std::uint32_t, int, int>> out;
  for (const MidiEvent& ev : transport.recording().eventList())
    if (ev.time == 0 || ev.time == 100 || ev.time == kBar) out.emplace_back(ev.time, ev.type, ev.channel, ev.port);
  EXPECT_EQ(out, (std::vector<std::tuple<MfxTime, std::uint32_t, int, int>>{
                     {100, kEventController, 2, 0}, {0, kEventNote, 9, 3}, {kBar, kEventNote, 5, 0}}));

  // The loop's drum map, then the slice's own map, a fixed note and the note offset.
  auto firstKey = [&] { return std::get<1>(test::sortedNotes(Transport::play(filterOf(e), 0, 479, 480)).at(0)); };
  e.getDrumMap()->setNote(42, 44);
  EXPECT_EQ(firstKey(), 44);
  hats.setInstrument(44 * 128 + 50);
  EXPECT_EQ(firstKey(), 50);
  hats.setParameter(Looper::kNoteOffset, 2);
  hats.setFixedNote(61);
  EXPECT_EQ(firstKey(), 63);

  // The time offset is kept at 480 ticks per quarter: 48 of them are 96 at 960.
  hats.setParameter(Looper::kTimeOffset, 48);
  face->Disconnect();
  host = connected(*face, Song(960));
  EXPECT_EQ(firstBar(2 * kBar - 1), (Timing{{96, 480}, {154, 20}, {286, 20}, {336, 20}, {576, 20}}));
}

TEST_F(EngineTest, TriggerNotesAndReturnsSwitchPadsOnTime) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  // Pad 0 holds loop A and pad 9, the highest trigger key's, loop B (another kick and another
  // pattern group), stored and recalled by the engine's bank.
  constexpr std::int32_t kTop = 9;
  fillLoop(e, 2);
  solo(e, kSlotKick);
  const auto padA = test::modelNotes(e, 4 * kBar, kBar);
  e.setLoopIdx(kTop, true, 0);  // A goes to pad 0; pad 9 was never stored, so the loop empties
  EXPECT_TRUE(e.getSlice(kSlotKick)->file().empty());
  fillLoop(e, 2);
  solo(e, kSlotKick);
  e.getSlice(kSlotKick)->previousPattern(false, 1, false);
  const auto padB = test::modelNotes(e, 4 * kBar, kBar);
  ASSERT_NE(padA, padB);
  e.setPatternGroup(2, false);
  e.setLoopIdx(0, true, 0);  // B goes to pad 9, A comes back whole
  EXPECT_EQ(test::modelNotes(e, 4 * kBar, kBar), padA);
  EXPECT_EQ(e.getPatternGroup(), 0);
  ASSERT_EQ(e.quickPads().entries().size(), 2u);
  const std::string bytesA = e.quickPads().find(0)->loop, bytesB = e.quickPads().find(kTop)->loop;
  ComRef<HostContext> host = connected(*face);

  // Notes from the pads, each over its stretch of song time.
  auto from = [&](std::initializer_list<std::tuple<const std::vector<std::pair<MfxTime, int>>*, MfxTime, MfxTime>> parts) {
    std::vector<std::pair<MfxTime, int>> out;
    for (const auto& [pad, first, end] : parts)
      for (const auto& n : *pad)
        if (n.first >= first && n.first < end) out.push_back(n);
    return out;
  };

  // A trigger note at tick T inside a window: the old pad up to T - 1, the new one from T on; the
  // note is not passed on, the views hear of the change afterwards.
  std::vector<std::tuple<platform::UiMessage, std::uintptr_t, std::intptr_t>> posted;
  platform::UiQueue& ui = platform::UiQueue::main();
  const platform::UiTarget window = ui.createTarget([&](platform::UiMessage m, std::uintptr_t w, std::intptr_t l) {
    posted.emplace_back(m, w, l);
  });
  test::RecordingView view(e, window);
  e.addView(&view);
  e.setTriggerEnabled(true);
  // T falls on a stroke of the old pad that the new one does not play at that time.
  MfxTime at = 0;
  for (const auto& a : padA)
    if (a.first > kBar && !at && std::none_of(padB.begin(), padB.end(), [&](const auto& b) { return b.first == a.first; }))
      at = a.first;
  ASSERT_GT(at, kBar);
  Transport transport(filterOf(e));
  transport.feed(noteEvent(at, 9, 36 + kTop, 100, 10));
  transport.feed(noteEvent(at, 9, 50, 100, 10));
  transport.start(0);
  transport.run(0, 4 * kBar - 1, 480);
  const std::vector<Note> played = test::sortedNotes(transport.recording());
  EXPECT_EQ(test::timesAndKeys(played), [&] {
    auto expected = from({{&padA, 0, at}, {&padB, at, 4 * kBar}});
    expected.emplace_back(at, 50);  // the input note that is not a trigger
    std::sort(expected.begin(), expected.end());
    return expected;
  }());
  EXPECT_EQ(e.getLoopIdx(), kTop);
  ui.pump();  // the engine's target passes the change on to each view
  ui.pump();
  EXPECT_EQ(posted, (std::vector<std::tuple<platform::UiMessage, std::uintptr_t, std::intptr_t>>{
                        {platform::registerUiMessage("Velmora_ViewsSetLoopIdx"), kTop, 0}}));
  EXPECT_EQ(e.getPatternGroup(), 2);
  e.removeView(&view);
  ui.destroyTarget(window);

  // A return plays the new pad for one cycle and comes back once; an alternating one swaps at
  // every cycle end.
  e.setLoopIdx(0, true, 0);
  e.setLoopIdx(kTop, true, 1);
  EXPECT_EQ(std::tuple(e.switchTime(), e.returnLoopIdx(), e.returnMode()), std::tuple(kBar, 0, 1));
  EXPECT_EQ(test::timesAndKeys(test::sortedNotes(Transport::play(filterOf(e), 0, 4 * kBar - 1, 700))),
            from({{&padB, 0, kBar}, {&padA, kBar, 4 * kBar}}));
  EXPECT_EQ(std::tuple(e.getLoopIdx(), e.returnMode()), std::tuple(0, 0));
  e.setLoopIdx(kTop, true, -1);
  EXPECT_EQ(test::timesAndKeys(test::sortedNotes(Transport::play(filterOf(e), 0, 4 * kBar - 1, 700))),
            from({{&padB, 0, kBar}, {&padA, kBar, 2 * kBar}, {&padB, 2 * kBar, 3 * kBar}, {&padA, 3 * kBar, 4 * kBar}}));
  EXPECT_EQ(std::tuple(e.getLoopIdx(), e.switchTime(), e.returnMode()), std::tuple(0, 4 * kBar, -1));

  // Trigger notes and alternating returns inside windows switch pads without allocating, so
  // without reading a pattern; the user-interface thread completes the switches later, and the
  // pads keep the bytes their loops had after going back and forth.
  constexpr MfxTime kWindow = 480;
  std::vector<ComRef<EventQueue>> inputs;
  for (MfxTime t = 0; t < 8 * kBar; t += kWindow) {
    inputs.push_back(create<EventQueue>());
    if (t % kBar == kBar / 2) inputs.back()->records.push_back(noteEvent(t + 7, 9, 36 + kTop * (t / kBar % 2), 100, 10));
  }
  ComRef<EventQueue> out = create<EventQueue>();
  out->records.reserve(8 * kBar);
  // Live input between the windows switches the same way.
  ComRef<InputQueue> live = create<InputQueue>(std::vector<TimedShortMessage>{{0, 0x99, 36 + kTop, 100}});
  ComRef<InputQueue> passed = create<InputQueue>();
  allocations = 0;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const auto t = static_cast<MfxTime>(i) * kWindow;
    face->OnEvents(t, t + kWindow - 1, inputs[i].get(), out.get());
    if (i % 5 == 2) face->OnInput(live.get(), passed.get());
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_TRUE(passed->records.empty());
  EXPECT_GT(out->records.size(), 8u);
  while (ui.pump() != 0) {
  }
  const std::int32_t last = e.getLoopIdx();
  e.setLoopIdx(kTop - last, true, 0);
  e.setLoopIdx(last, true, 0);
  EXPECT_EQ(e.quickPads().find(0)->loop, bytesA);
  EXPECT_EQ(e.quickPads().find(kTop)->loop, bytesB);
  EXPECT_EQ(test::modelNotes(e, 4 * kBar, kBar), last == 0 ? padA : padB);
  EXPECT_EQ(e.getPatternGroup(), last == 0 ? 0 : 2);

  // A kick left out of composing stays so on every pad; its stroke limits go with the pattern
  // group (the two pads have different ones) and are back when its own pad is.
  Looper& kick = *e.getSlice(kSlotKick);
  kick.setIdrcOff(true), kick.setStrokesMin(kick.strokesMax(), false);
  for (const std::int32_t pad : {kTop - last, last}) {
    e.setLoopIdx(pad, true, 0);
    const std::string file = kick.file();
    e.compose(nullptr);
    EXPECT_TRUE(kick.idrcOff()) << pad;
    EXPECT_EQ(kick.file(), file) << pad;
    if (pad == last) {
      EXPECT_EQ(kick.strokesMin(), kick.strokesMax());
    }
  }
}

// With phrases of four bars, bar 4 plays the fill instead of kick, snare and cymbal, and the
// others the plain loop (the program's tests check every window size and bar); each pad plays its
// own phrase, and a pad switch leaves the count, which runs from the song's first bar, alone.
TEST_F(EngineTest, FillsEndEveryPhraseCountedFromTheSongsFirstBar) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  fillLoop(e);
  e.getSlice(Tamborak::kFillSlice)->nextPattern(false, 1, false);
  ASSERT_FALSE(e.getSlice(Tamborak::kFillSlice)->file().empty());
  ComRef<HostContext> host = connected(*face);
  constexpr MfxTime kEnd = 8 * kBar;
  // The notes of bars [first, last), counted from 0.
  const auto bars = [](const std::vector<Note>& notes, MfxTime first, MfxTime last) {
    std::vector<Note> out;
    for (const Note& n : notes)
      if (std::get<0>(n) >= first * kBar && std::get<0>(n) < last * kBar) out.push_back(n);
    return out;
  };
  const std::vector<Note> plain = test::sortedNotes(Transport::play(filterOf(e), 0, kEnd - 1, 480));
  e.setPhraseBars(4, false);
  e.setFillLength(2, false);
  const std::vector<Note> filled = test::sortedNotes(Transport::play(filterOf(e), 0, kEnd - 1, 480));
  EXPECT_EQ(bars(filled, 0, 3), bars(plain, 0, 3));
  EXPECT_EQ(bars(filled, 4, 7), bars(plain, 4, 7));
  EXPECT_NE(bars(filled, 3, 4), bars(plain, 3, 4));

  // Pad 9 gets a loop without phrases; pad 0 keeps its own. Switched to pad 9 inside bar 4 and
  // back inside bar 6, the song plays pad 0, pad 9's plain loop, and pad 0's fill in bar 8.
  e.setLoopIdx(9, true, 0);
  EXPECT_EQ(e.getPhraseBars(), 0);
  fillLoop(e);
  const std::vector<Note> other = test::sortedNotes(Transport::play(filterOf(e), 0, kEnd - 1, 480));
  e.setLoopIdx(0, true, 0);
  EXPECT_EQ(e.getPhraseBars(), 4);
  e.setTriggerEnabled(true);
  Transport switching(filterOf(e));
  constexpr MfxTime kAway = 3 * kBar + 10, kBack = 5 * kBar + 10;
  switching.feed(noteEvent(kAway, 9, 36 + 9, 100, 10));
  switching.feed(noteEvent(kBack, 9, 36, 100, 10));
  switching.start(0);
  switching.run(0, kEnd - 1, 480);
  std::vector<Note> expected;
  for (const Note& n : filled)
    if (std::get<0>(n) < kAway || std::get<0>(n) >= kBack) expected.push_back(n);
  for (const Note& n : other)
    if (std::get<0>(n) >= kAway && std::get<0>(n) < kBack) expected.push_back(n);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(test::timesAndKeys(test::sortedNotes(switching.recording())), test::timesAndKeys(expected));
}

// Under the thread sanitizer: the host's thread plays window after window, switching pads at
// trigger notes, while this one loads patterns and slice records, steps, edits the slices, changes
// the controls and the drum maps, switches pads and completes the switches of the render pass.
TEST_F(EngineTest, RendersWhileTheUserEdits) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  fillLoop(e);
  ComRef<HostContext> host = connected(*face);
  std::string records[Tamborak::kSliceCount];
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    CUniString out(records[i]);
    e.getSlice(i)->save(out);
  }
  std::atomic<bool> stop{false};
  std::atomic<std::size_t> emitted{0};
  e.setTriggerEnabled(true);
  std::thread player([&] {
    ComRef<EventQueue> in = create<EventQueue>();
    ComRef<EventQueue> out = create<EventQueue>();
    ComRef<InputQueue> live = create<InputQueue>(std::vector<TimedShortMessage>{{0, 0x99, 38, 100}});
    ComRef<InputQueue> passed = create<InputQueue>();
    for (MfxTime t = 0; !stop; t = t > 100 * kBar ? 0 : t + 240) {
      in->records.clear();
      if (t % 1920 == 960) in->records.push_back(noteEvent(t + 5, 9, 39, 100, 10));  // a pad of every low key
      if (t % 1920 == 480) face->OnInput(live.get(), passed.get());
      face->OnEvents(t, t + 239, in.get(), out.get());
      emitted += out->records.size();
      out->records.clear();
    }
  });
  for (int i = 0; i < 150; ++i) {
    Looper& slice = *e.getSlice(i % Tamborak::kSliceCount);
    if (i % 3 == 0) slice.nextPattern(false, 1 + i % 4, false);
    if (i % 7 == 0) slice.randomPattern(nullptr);
    slice.setParameter(i % 4, i % 60 - 30);
    slice.setInstrument((36 + i % 3) * 128 + 40 + i % 5);
    slice.setFixedNote(i % 5 == 0 ? 50 : -1);
    e.getDrumMap()->setNote(36 + i % 10, 40 + i % 7);
    e.setSwingPc(i % 101, true);
    e.setSwingDurIdx(i % 5, true);
    e.setQuantize(i % 2 == 0, true);
    e.setHumanizeVelo(i % 20, true);
    e.setHumanizeVeloTrend(i % 41 - 20, true);
    e.setVeloDyn(i % 50, true);
    e.setVeloCenterPC(i % 30 - 15, true);
    e.setVeloMin(20 + i % 10);
    e.setOutput(i % 3 - 1, i % 4);
    e.setTriggerLowKey(30 + i % 10);
    if (i % 11 == 0) slice.setMute(i % 2 == 0, i % 4 == 0);
    if (i % 37 == 0) e.setVolume(i % 2 ? "8 Beat Rock" : "16 Beat Funk");
    if (i % 13 == 0) e.setLoopIdx(i % 3, true, i % 2 ? -1 : 0);
    slice.setRenderFlags({false, i % 5 == 0, false});
    if (i % 19 == 0) slice.clearPattern();
    if (i % 23 == 0) {
      CUniMemoryReader record(records[i % Tamborak::kSliceCount].data(),
                              static_cast<std::uint32_t>(records[i % Tamborak::kSliceCount].size()));
      EXPECT_TRUE(slice.load(record));
    }
    if (i % 29 == 0) {
      slice.editTrack([&](CMidiTrack& t) { return t.Insert(noteEvent(i % 960, 9, 37, 90, 60)); });
      slice.markEdited();
      slice.setEdited(false);
    }
    if (i % 31 == 0) slice.setStrokesMin(i % 9, true);
    platform::UiQueue::main().pump();
  }
  stop = true;
  player.join();
  EXPECT_GT(emitted.load(), 0u);
}

#ifndef NDEBUG
// A render pass that reaches a user-interface-only path (here a sink that calls back into the
// engine), or that runs from inside the user-interface queue's work, stops a debug build.
TEST_F(EngineTest, DebugBuildsStopARenderPassThatMeetsTheUserInterface) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  ComRef<HostContext> host = connected(*face);
  struct NoInput final : EventSource {
    std::size_t size() const override { return 0; }
    bool get(std::size_t, MidiEvent&) const override { return false; }
  } input;
  struct CallingSink final : EventSink {
    std::function<void()> call = [] {};
    void emit(const MidiEvent&) override { call(); }
    void pass(std::size_t) override {}
  } sink;
  e.process(0, 479, input, sink);  // the placeholder reaches the sink
  platform::UiQueue::main().post([&] { e.setVolume("8 Beat Rock"); });
  platform::UiQueue::main().pump();
  sink.call = [&] { e.setVolume("8 Beat Rock"); };
  EXPECT_DEATH(e.process(0, 479, input, sink), "user-interface-only path in the render pass");
  sink.call = [] {};
  EXPECT_DEATH(
      {
        platform::UiQueue::main().post([&] { e.process(0, 479, input, sink); });
        platform::UiQueue::main().pump();
      },
      "render pass inside user-interface work");
}
#endif

// A live fill asked for in the last bar of a host's loop plays once, whether the host wraps by
// OnLoop or by a stop and start (as the LV2 adapter does); a jump inside its bar keeps it.
TEST_F(EngineTest, LiveFillInTheLastBarOfAHostLoopPlaysOnlyOnce) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  e.getSlice(Tamborak::kFillSlice)->editTrack([](CMidiTrack& t) {
    t.setDivision(480), t.Insert(noteEvent(1440, 9, 47, 100, 10));  // one stroke on beat 4
  });
  ComRef<HostContext> host = connected(*face);
  e.setTriggerEnabled(true);
  for (const bool jump : {false, true}) {
    Transport transport(filterOf(e));
    transport.feed(noteEvent(kBar + 100, 9, 46, 100, 10));  // the key after the ten pad keys
    transport.start(0);
    transport.run(0, 2 * kBar - kBar / 4 - 1, 480);
    transport.jump(kBar + kBar / 4);
    EXPECT_EQ(e.liveFillBar(), 2);
    transport.run(kBar + kBar / 4, 2 * kBar - 1, 480);
    jump ? transport.jump(0) : transport.loop(0, 2 * kBar);
    transport.run(0, 2 * kBar - 1, 480);
    const std::vector<Note> played = test::sortedNotes(transport.recording());
    EXPECT_EQ(std::count_if(played.begin(), played.end(), [](const Note& n) { return std::get<1>(n) == 47; }), 1) << jump;
  }
}
