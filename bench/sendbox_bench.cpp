// What the send box costs with the most it takes from a user: one line of 32767 characters with no
// place to break it, pasted (text and hex digits), and the hex-mode rewrite of the box on Send.
#include "platform/internal/startup.h"
#include "platform/qt/multiline_edit.h"
#include "platform/resources.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QMimeData>

#include <benchmark/benchmark.h>

namespace {

enum Kind { Text, HexDigits, LongestWords };
const char* const kKindNames[] = {"text", "hex digits", "words of 1000 characters"};

// One line as long as the box takes: no break at all, or the longest words still wrapped whole.
QString LongLine(int kind)
{
  const QString units[] = {QStringLiteral("x"), QStringLiteral("0123456789abcdef"), QString(1000, u'w') + u' '};
  const QString& unit = units[kind];
  return unit.repeated(platform::MultiLineEdit::kLimit / unit.size() + 1).left(platform::MultiLineEdit::kLimit);
}

// The send box as the dialog makes it: the dialog face, the template's size, wrapping at its width.
class SendBox : public platform::MultiLineEdit {
public:
  SendBox() : MultiLineEdit(nullptr)
  {
    QFont font(QString::fromUtf8(kDialogFace));
    font.setPointSize(9);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    resize(418, 221);
    show();
  }
  void paste(const QString& text)
  {
    QMimeData mime;
    mime.setText(text);
    insertFromMimeData(&mime);
  }
};

void BM_PasteLongLine(benchmark::State& state)
{
  const QString line = LongLine(static_cast<int>(state.range(0)));
  SendBox box;
  for (auto _ : state) {
    box.clear();
    box.paste(line);
    box.repaint();
  }
  state.SetLabel(kKindNames[state.range(0)]);
}
BENCHMARK(BM_PasteLongLine)->DenseRange(Text, LongestWords)->Unit(benchmark::kMillisecond);

void BM_RewriteLongLine(benchmark::State& state)
{
  const QString line = LongLine(static_cast<int>(state.range(0)));
  SendBox box;
  for (auto _ : state) {
    box.setPlainText(line);
    box.repaint();
  }
  state.SetLabel(kKindNames[state.range(0)]);
}
BENCHMARK(BM_RewriteLongLine)->DenseRange(Text, LongestWords)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  platform::InitializeGui();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
