#include <gtest/gtest.h>

#include "loops/QuickPadBank.h"

using namespace velmora;

namespace {

// A host whose loop is a text: saving writes it, loading reads the whole stream.
struct TextHost : QuickPadHost {
  std::string loop;
  std::vector<std::string> calls;

  bool saveLoop(CUniStream& stream, bool markSaved) override {
    calls.push_back(markSaved ? "save marked" : "save");
    stream.write(loop.data(), static_cast<std::uint32_t>(loop.size()));
    return true;
  }
  bool LoadLoop(CUniStream& stream, int flags) override {
    std::string bytes(1024, '\0');
    bytes.resize(stream.read(bytes.data(), 1024));
    calls.push_back("load " + bytes + (flags ? " notify" : ""));
    return true;
  }
  void clearLoop() override { calls.push_back("clear"); }
};

std::string u32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string entry(std::int32_t index, const std::string& loop) { return u32(index) + u32(loop.size()) + loop; }

using Listing = std::vector<std::pair<std::int32_t, std::string>>;
Listing listed(const QuickPadBank& bank) {
  Listing all;
  for (const auto& e : bank.entries()) all.emplace_back(e.index, e.loop);
  return all;
}

}  // namespace

TEST(QuickPadBank, StoresRecallsAndSavesPadsInAppendOrder) {
  TextHost host;
  QuickPadBank bank;
  bank.bind(host);
  const auto store = [&](std::int32_t pad, std::string loop) {
    host.loop = std::move(loop);
    bank.storePad(pad);
  };
  store(4, std::string(300, 'A'));
  const char* buffer = bank.find(4)->loop.data();
  store(7, "B");
  store(4, "C");
  EXPECT_EQ(listed(bank), (Listing{{4, "C"}, {7, "B"}}));
  EXPECT_EQ(bank.find(4)->loop.data(), buffer);  // the entry's buffer is reused
  std::string record;
  CUniString out(record);
  bank.save(out);
  EXPECT_EQ(record, u32(1) + u32(2) + entry(4, "C") + entry(7, "B"));

  bank.recallPad(7, true);
  bank.recallPad(5, false);
  bank.recallPad(4, false);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"save", "save", "save", "load B notify", "clear", "load C"}));
}

TEST(QuickPadBank, LoadsWholeEntriesOnly) {
  struct Case {
    const char* what;
    std::string record;
    bool complete;
    Listing entries;
  };
  const std::string two = entry(3, "xyz") + entry(-1, "");
  const Case cases[] = {
      {"empty bank", u32(9) + u32(0), true, {}},
      {"version ignored", u32(0xDEAD) + u32(2) + two, true, {{3, "xyz"}, {-1, ""}}},
      {"repeated index keeps the first", u32(1) + u32(3) + entry(3, "a") + entry(5, "b") + entry(3, "c"), true,
       {{3, "a"}, {5, "b"}}},
      {"count beyond the entries", u32(1) + u32(0xFFFFFFFF) + two, false, {{3, "xyz"}, {-1, ""}}},
      {"entry cut in its bytes", u32(1) + u32(2) + entry(3, "xyz") + entry(4, "long loop").substr(0, 12), false,
       {{3, "xyz"}}},
      {"entry cut in its length", u32(1) + u32(1) + u32(4) + "\x05", false, {}},
      {"hostile length", u32(1) + u32(1) + u32(2) + u32(0xFFFFFFFF) + std::string(70000, 'z'), false, {}},
      {"no count", u32(1), false, {}},
  };
  for (const Case& c : cases) {
    TextHost host;
    QuickPadBank bank;
    bank.bind(host);
    bank.storePad(8);
    CUniMemoryReader in(c.record.data(), static_cast<std::uint32_t>(c.record.size()));
    EXPECT_EQ(bank.load(in), c.complete) << c.what;
    EXPECT_EQ(listed(bank), c.entries) << c.what;
  }
}
