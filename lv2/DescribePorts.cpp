// Build step: writes the plug-in's description from its template, with a control port for each
// global control that has one and the notify port after them.
//   tamborak_lv2_describe TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "lv2/ControlPorts.h"

namespace {

using velmora::GlobalControl;

std::string controlPort(const GlobalControl& c) {
  std::ostringstream out;
  out << "\t] , [\n\t\ta lv2:InputPort ,\n\t\t\tlv2:ControlPort ;\n"
      << "\t\tlv2:index " << c.port << " ;\n\t\tlv2:symbol \"" << c.symbol << "\" ;\n\t\tlv2:name \"" << c.name
      << "\" ;\n\t\tlv2:default " << c.defaultValue << " ;\n\t\tlv2:minimum " << c.min
      << " ;\n\t\tlv2:maximum " << c.max << " ;\n";
  switch (c.kind) {
    case GlobalControl::Kind::kToggle: out << "\t\tlv2:portProperty lv2:toggled"; break;
    case GlobalControl::Kind::kChoice: {
      out << "\t\tlv2:portProperty lv2:integer ,\n\t\t\tlv2:enumeration ;\n\t\tlv2:scalePoint [\n";
      std::string_view labels = c.choices;
      for (std::int32_t value = c.min; value <= c.max; ++value) {
        const std::size_t bar = labels.find('|');
        out << (value > c.min ? "\t\t] , [\n" : "") << "\t\t\trdfs:label \"" << labels.substr(0, bar)
            << "\" ;\n\t\t\trdf:value " << value << "\n";
        labels = bar == std::string_view::npos ? std::string_view() : labels.substr(bar + 1);
      }
      out << "\t\t]";
      break;
    }
    case GlobalControl::Kind::kNumber:
    case GlobalControl::Kind::kPercent: out << "\t\tlv2:portProperty lv2:integer"; break;
  }
  if (c.kind == GlobalControl::Kind::kPercent) out << " ;\n\t\tunits:unit units:pc";
  out << "\n";
  return out.str();
}

bool replace(std::string& text, std::string_view placeholder, const std::string& with) {
  const std::size_t at = text.find(placeholder);
  if (at == std::string::npos) return false;
  text.replace(at, placeholder.size(), with);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TEMPLATE OUTPUT\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::ostringstream read;
  read << in.rdbuf();
  std::string text = read.str();
  std::string ports;
  for (std::size_t i = 0; i < velmora::lv2::kControlCount; ++i) ports += controlPort(velmora::kGlobalControls[i]);
  if (!in || !replace(text, "@CONTROL_PORTS@\n", ports) ||
      !replace(text, "@NOTIFY_INDEX@", std::to_string(velmora::lv2::kPortNotify))) {
    std::fprintf(stderr, "%s: not a template of the plug-in's description\n", argv[1]);
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: could not be written\n", argv[2]);
    return 1;
  }
  return 0;
}
