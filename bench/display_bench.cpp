// What the receive display costs to take a whole new text and show its end, as the receive step
// does it: set the text, ask for the line count, scroll by it, paint.
#include "codec/hexcodec.h"
#include "dialog/RecvDisplay.h"
#include "platform/internal/startup.h"
#include "platform/qt/controls.h"
#include "platform/qt/receive_view.h"
#include "platform/resources.h"

#include <QApplication>
#include <QFont>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void TakeText(benchmark::State& state, const QString& text)
{
  platform::ReceiveView view(nullptr);
  QFont font(QString::fromUtf8(kDialogFace));  // the dialog face, as the receive display takes it
  font.setPointSize(9);
  view.setFont(font);
  view.resize(416, 172);
  view.show();
  for (auto _ : state) {
    view.setText(text);
    const auto lines = platform::ControlWindowProc(&view, EM_GETLINECOUNT, 0, 0);
    platform::ControlWindowProc(&view, EM_LINESCROLL, 0, lines);
    view.repaint();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * text.size() * 2);
}

void FullHexBuffer(benchmark::State& state)
{
  std::vector<BYTE> buf(65536);
  for (std::size_t i = 0; i < buf.size(); ++i)
    buf[i] = static_cast<BYTE>(i * 7);
  TakeText(state, QString::fromUtf8(RenderReceiveBuffer(buf.data(), 65536, TRUE).str()));
}
BENCHMARK(FullHexBuffer)->Unit(benchmark::kMicrosecond);

void FullTextBuffer(benchmark::State& state)
{
  QString text;
  while (text.size() < 40000)
    text += QStringLiteral("GET /index.html HTTP/1.1 中文数据 ");
  TakeText(state, text);
}
BENCHMARK(FullTextBuffer)->Unit(benchmark::kMicrosecond);

// A full display of 16-byte chunks from one sender, each with its time and sender and a break
// after it, rendered and shown as the receive step does it once a frame.
void FullDisplayOfChunks(benchmark::State& state, BOOL bHex)
{
  CRecvDisplay display(65536);
  CRecvOptions options;
  options.bShowPeer = TRUE;
  options.bBreakPerChunk = TRUE;
  options.nControls = CONTROLS_DOT;
  display.SetOptions(options, nullptr, 0);
  BYTE chunk[16];
  const std::int64_t nStart = 1765000000000000;
  for (int i = 0; i < 65536 / 16; ++i) {
    for (int k = 0; k < 16; ++k)
      chunk[k] = static_cast<BYTE>('A' + (i + k) % 26);
    display.AddChunk({nStart + i * 1000, {0x7F000001, 7001}, 0, false, false, false, 0, 16}, chunk);
  }
  platform::ReceiveView view(nullptr);
  QFont font(QString::fromUtf8(kDialogFace));
  font.setPointSize(9);
  view.setFont(font);
  view.resize(416, 172);
  view.show();
  for (auto _ : state) {
    const CString text = display.Render(nullptr, 0, FALSE, bHex);
    view.setText(QString::fromUtf8(text.str()));
    const auto lines = platform::ControlWindowProc(&view, EM_GETLINECOUNT, 0, 0);
    platform::ControlWindowProc(&view, EM_LINESCROLL, 0, lines);
    view.repaint();
  }
}
void FullDisplayOfChunksHex(benchmark::State& state)
{
  FullDisplayOfChunks(state, TRUE);
}
void FullDisplayOfChunksText(benchmark::State& state)
{
  FullDisplayOfChunks(state, FALSE);
}
BENCHMARK(FullDisplayOfChunksHex)->Unit(benchmark::kMicrosecond);
BENCHMARK(FullDisplayOfChunksText)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InitializeGui();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
