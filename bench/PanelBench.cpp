// Painting the whole panel of a composed loop (six rows playing) on the Cairo image canvas, as a
// window repaints it; and through the recording canvas, the cost of the controls themselves.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include "bench/ComposeEngine.h"
#include "ui/CommandIds.h"
#include "ui/Recording.h"
#include "ui/TamborakPanel.h"
#include "ui/cairo/CairoCanvas.h"

namespace {

using namespace velmora;

struct PanelSetup {
  bench::ComposeSetup setup{false};
  ui::RecordingServices services;
  std::unique_ptr<ui::TamborakEditing> editing;
  std::unique_ptr<ui::TamborakPanel> panel;

  PanelSetup() {
    Tamborak& engine = setup.engine();
    for (int i = 0; i < Tamborak::kSliceCount; ++i) engine.getSlice(i)->setMutedSilently(false);
    engine.compose(nullptr);
    editing = std::make_unique<ui::TamborakEditing>(engine);
    panel = std::make_unique<ui::TamborakPanel>(engine, *editing, services);
    panel->activate();
  }
};

void BM_PaintPanelCairo(benchmark::State& state) {
  PanelSetup s;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight);
  cairo_t* cr = cairo_create(surface);
  ui::CairoCanvas canvas(cr);
  for (auto _ : state) {
    s.panel->paint(canvas);
    cairo_surface_flush(surface);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_PaintPanelCairo)->Unit(benchmark::kMillisecond);

// One strokes view repainted in edit mode with the 16-cell grid: the row with the most strokes.
void BM_PaintStrokesViewCairo(benchmark::State& state) {
  PanelSetup s;
  s.panel->command(ui::cmd::kEdit);
  ui::EventBar* busiest = nullptr;
  std::size_t most = 0;
  for (int i = 0; i < ui::TamborakPanel::kSliceCount; ++i) {
    ui::EventBar& bar = s.panel->row(i)->strokes();
    bar.setGrid(16);
    const std::size_t events = s.setup.engine().getSlice(i)->track().eventCount();
    if (events >= most) {
      most = events;
      busiest = &bar;
    }
  }
  const ui::Rect r = busiest->rect();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight);
  cairo_t* cr = cairo_create(surface);
  ui::CairoCanvas canvas(cr);
  for (auto _ : state) {
    busiest->paint(canvas);
    cairo_surface_flush(surface);
  }
  state.counters["events"] = static_cast<double>(most);
  state.counters["width"] = r.width();
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_PaintStrokesViewCairo)->Unit(benchmark::kMicrosecond);

void BM_PaintPanelRecording(benchmark::State& state) {
  PanelSetup s;
  for (auto _ : state) {
    ui::RecordingCanvas canvas;
    s.panel->paint(canvas);
    benchmark::DoNotOptimize(canvas.ops().size());
  }
}
BENCHMARK(BM_PaintPanelRecording)->Unit(benchmark::kMicrosecond);

}  // namespace
