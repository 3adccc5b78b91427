// What a successful open costs in the settings file: one key written into a large hand-kept file
// (10 MiB of other sections), and the four keys of an open, each read back at the next start.
#include "platform/cwinapp.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

CWinApp& App()
{
  static CWinApp app("Lanspry");
  return app;
}

QByteArray LargeFile(qsizetype bytes)
{
  QByteArray text = "; kept by hand\n[Notes]\n";
  for (int i = 0; text.size() < bytes; ++i)
    text += "note" + QByteArray::number(i) + " = some text the user keeps beside the settings\n";
  return text + "[ClientParams]\nLastType=0\n";
}

class ProfileFixture {
public:
  explicit ProfileFixture(qsizetype bytes)
  {
    const QString path = m_dir.filePath(QStringLiteral("lanspry.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(LargeFile(bytes));
    App().m_strProfileName = path.toStdString();
  }

private:
  QTemporaryDir m_dir;
};

void BM_WriteOneKey(benchmark::State& state)
{
  ProfileFixture fixture(state.range(0));
  int value = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(App().WriteProfileInt("ClientParams", "LastType", ++value % 3));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_WriteOneKey)->Arg(4 << 10)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_ReadOneKey(benchmark::State& state)
{
  ProfileFixture fixture(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(App().GetProfileInt("ClientParams", "LastType", 0));
}
BENCHMARK(BM_ReadOneKey)->Arg(4 << 10)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
