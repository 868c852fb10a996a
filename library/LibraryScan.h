// One scan of a library from disk. It enters each real folder once, however many folder links
// lead there (forking links would otherwise make a scan exponential), creates at most a bounded
// number of nodes, leaves out the files it is told to, and keeps notes on what it left out.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "platform/FileAccess.h"

namespace velmora {

// Most nodes (folders, volumes, patterns, in-volume entries) one scan creates.
constexpr std::size_t kMaxScanNodes = 1000000;

class LibraryScan {
 public:
  struct Note {
    std::string text;  // the native path of the file or folder, ": ", what happened
    bool lost;         // content that belongs in the tree is missing (not merely an unusable name)
  };

  explicit LibraryScan(std::size_t maxNodes = kMaxScanNodes) : maxNodes_(maxNodes) {}

  // [any-thread running the scan] True the first time the folder at the native path is met in this
  // scan; false when it was reached already. A folder that cannot be identified counts as new.
  bool enterFolder(const std::string& fsPath);
  // Leaves the file at the native path out of the scan (the output of a pack inside the folder
  // packed), if it exists.
  void leaveOut(const std::string& fsPath);
  bool isLeftOut(const std::string& fsPath) const;

  // Room for one more node: false, with one note, once the bound is reached.
  bool takeNode();
  std::size_t nodes() const { return nodes_; }

  // A name the tree cannot hold was skipped; content could not be read.
  void skipped(std::string text) { notes_.push_back({std::move(text), false}); }
  void lost(std::string text) { notes_.push_back({std::move(text), true}); }
  const std::vector<Note>& notes() const { return notes_; }
  bool lostAny() const;

 private:
  std::size_t maxNodes_;
  std::size_t nodes_ = 0;
  bool full_ = false;
  std::set<platform::FileIdentity> folders_;
  std::set<platform::FileIdentity> leftOut_;
  std::vector<Note> notes_;
};

}  // namespace velmora
