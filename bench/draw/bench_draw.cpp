// SPDX-License-Identifier: GPL-3.0-or-later
// Interactive speed of the picture editor on a 500 x 500 picture: one step of dragging a
// floating selection of the whole picture, and one pencil segment. Each step is the event
// handling plus, in the "Painted" variants, the repaint it causes. Also undoing or redoing a
// change of the whole picture, and painting all that the viewport shows at 8x.
#include "draw/ctlDrawBox.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

using quillary::ctlDrawBox;

namespace {

QImage Noise(int size) {
    QImage image(size, size, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, (seed >> 16) & 1 ? 0xFF000000u : 0xFFFFFFFFu);
        }
    return image;
}

void Send(QWidget* target, QEvent::Type type, QPointF pos, Qt::MouseButton button,
          Qt::MouseButtons held) {
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

struct Editor {
    Editor() {
        box.resize(600, 600);
        box.SetPicture(Noise(500));
        box.show();
        QApplication::processEvents();
    }
    QWidget* Find(const char* name) { return box.findChild<QWidget*>(QLatin1String(name)); }
    ctlDrawBox box;
};

void DragSelection(benchmark::State& state, bool paint) {
    Editor e;
    e.box.SelectAll();
    QWidget* grab = e.Find("lblDrag");
    Send(grab, QEvent::MouseButtonPress, QPointF(250, 250), Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so the selection stays mostly on the surface.
        const double dx = (step++ % 2) ? -3 : 3;
        Send(grab, QEvent::MouseMove, QPointF(250 + dx, 250 + dx), Qt::NoButton, Qt::LeftButton);
        if (paint)
            e.Find("picDrawBox")->repaint();
    }
    Send(grab, QEvent::MouseButtonRelease, QPointF(250, 250), Qt::LeftButton, Qt::NoButton);
}

void PencilSegment(benchmark::State& state, bool paint) {
    Editor e;
    QWidget* surface = e.Find("picDrawBox");
    Send(surface, QEvent::MouseButtonPress, QPointF(10, 10), Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Long diagonal strokes across the picture, one segment per iteration.
        const int i = step++ % 2;
        Send(surface, QEvent::MouseMove, i ? QPointF(10, 10) : QPointF(490, 470), Qt::NoButton,
             Qt::LeftButton);
        if (paint)
            surface->repaint();
    }
    Send(surface, QEvent::MouseButtonRelease, QPointF(10, 10), Qt::LeftButton, Qt::NoButton);
}

void BM_DragSelectionStep(benchmark::State& state) {
    DragSelection(state, false);
}
void BM_DragSelectionStepPainted(benchmark::State& state) {
    DragSelection(state, true);
}
void BM_PencilSegment(benchmark::State& state) {
    PencilSegment(state, false);
}
void BM_PencilSegmentPainted(benchmark::State& state) {
    PencilSegment(state, true);
}

// Clearing the whole noisy picture is a step as large as a step can be.
void UndoRedoFullPicture(benchmark::State& state, bool paint) {
    Editor e;
    e.box.SelectAll();
    e.box.ClearSelection();
    QWidget* surface = e.Find("picDrawBox");
    int step = 0;
    for (auto _ : state) {
        if (step++ % 2 == 0)
            e.box.Undo();
        else
            e.box.Redo();
        if (paint)
            surface->repaint();
    }
}

void BM_UndoRedoFullPicture(benchmark::State& state) {
    UndoRedoFullPicture(state, false);
}
void BM_UndoRedoFullPicturePainted(benchmark::State& state) {
    UndoRedoFullPicture(state, true);
}

void BM_PaintVisibleAt8x(benchmark::State& state) {
    Editor e;
    e.box.SetZoom(8);
    QWidget* viewport = e.Find("picImageClipper");
    QWidget* surface = e.Find("picDrawBox");
    // What the viewport shows of the (much larger) magnified surface.
    const QRect shown(-surface->pos(), viewport->size());
    for (auto _ : state)
        surface->repaint(shown);
    state.counters["pixels"] = double(shown.width()) * shown.height();
}

} // namespace

BENCHMARK(BM_UndoRedoFullPicture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoRedoFullPicturePainted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintVisibleAt8x)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragSelectionStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragSelectionStepPainted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PencilSegment)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PencilSegmentPainted)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
