// Accelerator tables: a key with exactly these modifiers gives a command. [any-thread]
#pragma once

#include <vector>

namespace velmora::ui {

struct Accelerator {
  int key;
  unsigned mods;
  int command;
};

using AcceleratorTable = std::vector<Accelerator>;

// The command of `key` with `mods` in `table`, 0 when the table does not take it.
int translateAccelerator(const AcceleratorTable& table, int key, unsigned mods);

// The panel's table and a row's table.
const AcceleratorTable& panelAccelerators();
const AcceleratorTable& rowAccelerators();

}  // namespace velmora::ui
