// Files that are not what they seem: a FIFO, a device or a folder where a file is expected is
// refused at once, never waited on; a settings file that is a FIFO, sparse or huge is left alone;
// a save that fails leaves the file it was to replace whole.
#include "platform/cfile.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

namespace {

using test::DialogTest;
using test::ReadBytes;
using test::WriteBytes;

class SpecialFiles : public DialogTest {
protected:
  std::string Fifo(const char* name)
  {
    const std::string path = Path(name);
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }
};

TEST_F(SpecialFiles, OnlyRegularFilesAreOpenedAndTheRestAreRefusedAtOnce)
{
  const std::string fifo = Fifo("fifo");
  const std::string file = Path("file");
  WriteBytes(file, "x");
  struct Row {
    std::string path;
    UINT flags;
    int error;
    const char* described;
  } rows[] = {
      {fifo, CFile::modeRead, CFile::errFifo, ":是命名管道 (FIFO), 不是普通文件"},
      {fifo, CFile::modeWrite | CFile::modeCreate, CFile::errFifo, ":是命名管道 (FIFO), 不是普通文件"},
      {fifo, CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate, CFile::errFifo, nullptr},
      {"/dev/null", CFile::modeWrite, CFile::errDevice, ":是设备, 不是普通文件"},
      {"/dev/zero", CFile::modeRead, CFile::errDevice, nullptr},
      {m_dir.path().toStdString(), CFile::modeRead, CFile::errDirectory, ":是文件夹, 不是普通文件"},
      {Path("missing"), CFile::modeRead, ENOENT, "[2]:No such file or directory"},
      {file, CFile::modeRead, 0, nullptr},
  };
  for (const Row& row : rows) {
    CFile f;
    EXPECT_EQ(f.Open(row.path.c_str(), row.flags), row.error == 0) << row.path;
    EXPECT_EQ(f.GetLastError(), row.error) << row.path;
    if (row.described) {
      EXPECT_EQ(CFile::Describe(row.error).str(), row.described);
    }
  }
}

TEST_F(SpecialFiles, AFifoChosenAsTheLogOrTheFileToSendIsRefusedWithTheReason)
{
  const std::string fifo = Fifo("fifo");
  auto dlg = NewDialog();
  AnswerFileDialogs(fifo);
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_LOG);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "无法打开记录文件 " + fifo + ":是命名管道 (FIFO), 不是普通文件.");
  EXPECT_FALSE(dlg->m_log.IsLogging());

  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  EXPECT_FALSE(dlg->FileSender().Start(fifo.c_str(), 1024, 0));
  ASSERT_EQ(m_boxes.size(), 2u);
  EXPECT_EQ(m_boxes[1], "无法读取文件 " + fifo + ":是命名管道 (FIFO), 不是普通文件.");
}

TEST_F(SpecialFiles, ASaveThatFailsLeavesTheFileItWasToReplaceWhole)
{
  const std::string target = Path("capture.pcapng");
  const std::string before(4096, 'k');
  WriteBytes(target, before);
  auto dlg = NewDialog();
  const std::string chunk(100, 'c');
  for (int i = 0; i < 200; ++i)
    dlg->m_record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, {0x7F000001, 1}, {0x7F000001, 2},
                          reinterpret_cast<const BYTE*>(chunk.data()), 100);
  // A size limit stands in for a full disk, for the length of the save.
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit small{1024, limit.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  AnswerFileDialogs(target);
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_PCAPNG);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "保存 " + target + " 失败[27]:File too large.");
  EXPECT_EQ(ReadBytes(target), before);
  QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
  left.removeIf([](const QString& name) { return name.startsWith(QStringLiteral("lanspry.ini")); });
  EXPECT_EQ(left, QStringList{QStringLiteral("capture.pcapng")}) << "no piece of the failed save is left";

  // One that succeeds replaces it.
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_PCAPNG);
  EXPECT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(ReadBytes(target).substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));
}

// A settings file that is not one: read as missing, never written, never waited on.
TEST_F(SpecialFiles, ASettingsFileThatIsAFifoSparseOrHugeIsLeftAlone)
{
  CWinApp& app = test::App();
  const std::string ini = ProfilePath();
  const auto check = [&](const char* what) {
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 7)), 7) << what;
    EXPECT_FALSE(app.WriteProfileInt("ClientParams", "LastType", 2)) << what;
    auto dlg = NewDialog();
    EXPECT_EQ(dlg->Mode(), MODE_TCP) << what;
  };

  ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
  check("a FIFO");
  struct stat st {};
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ::unlink(ini.c_str());

  {
    std::ofstream f(ini, std::ios::binary);
    f << "[ClientParams]\nLastType=1\n";
  }
  ASSERT_EQ(::truncate(ini.c_str(), 40ll << 30), 0);
  check("40 GiB, sparse");
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 40ll << 30);

  ASSERT_EQ(::truncate(ini.c_str(), (16 << 20) + 1), 0);
  check("just over 16 MiB");
  ASSERT_EQ(::truncate(ini.c_str(), 16 << 20), 0);
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 7)), 1) << "16 MiB is read";
}

}  // namespace
